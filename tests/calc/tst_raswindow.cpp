#include "gui/app/gridview.h"
#include "gui/calc/raswindow.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"
#include "platefixture.h"
#include "support/recordingdialogs.h"
#include "support/resultwells.h"
#include "support/typing.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;

namespace {

const QRgb Green = qRgb(0, 128, 0);
const QRgb Red = qRgb(255, 0, 0);
const QRgb Maroon = qRgb(128, 0, 0);
const QRgb Black = qRgb(0, 0, 0);
const QRgb White = qRgb(255, 255, 255);
const QRgb Blue = qRgb(0, 0, 255);

} // namespace

class TestRasWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setDecimalSeparator(QLatin1Char(',')); }
    void init();
    void cleanup();
    void controls();
    void typingNeedsManualEntry();
    void clearDensities();
    void calculationShowsMessageAndGoesOn();
    void drawnColours();
    void divisionErrorStopsRun();
    void kit04HidesS2AndS3();
    void protocolWrittenAndOpened();

private:
    template<typename T>
    T* child(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QLineEdit* openEditor(GridView* grid);
    void type(GridView* grid, const QString& text);
    void key(QWidget* target, Qt::Key key);
    QSet<QRgb> cellColours(GridView* grid, int col, int row) const;

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Project> m_project;
    std::unique_ptr<TRas> m_window;
};

void TestRasWindow::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_project = std::make_unique<Project>();
    m_window = std::make_unique<TRas>(*m_project);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestRasWindow::cleanup()
{
    m_window.reset();
    m_project.reset();
    m_dialogs.reset();
}

// The grid's cell editor while one is open; closed ones are hidden until deleted.
QLineEdit* TestRasWindow::openEditor(GridView* grid)
{
    for (QLineEdit* editor : grid->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

// Each character goes where the grid sends keys: the grid itself, or its open cell editor.
void TestRasWindow::type(GridView* grid, const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = openEditor(grid);
        if (!target)
            target = grid;
        test::typeText(target, QString(c));
    }
}

void TestRasWindow::key(QWidget* target, Qt::Key k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QCoreApplication::processEvents(); // the editor commits through a queued call
}

// The colours painted in one cell of a grid, as the screen shows them.
QSet<QRgb> TestRasWindow::cellColours(GridView* grid, int col, int row) const
{
    const QImage image = grid->viewport()->grab().toImage();
    const QRect rect = grid->visualRect(grid->model()->index(row, col));
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000);
    return colours;
}

void TestRasWindow::controls()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Расчет"));
    QCOMPARE(m_window->size(), QSize(562, 519));
    QCOMPARE(child<QGroupBox>("GroupBox1")->title(), QStringLiteral("Данные оптических плотностей"));
    QCOMPARE(child<QGroupBox>("GroupBox2")->title(), QStringLiteral("Расчет"));
    QCOMPARE(child<QGroupBox>("GroupBox3")->title(), QStringLiteral("Данные рассчета"));
    QCOMPARE(child<GridView>("PlData")->grid(), &m_project->densityTable());
    QCOMPARE(child<GridView>("RasTab")->grid(), &m_project->resultTable());
    QCOMPARE(child<QLabel>("Label1")->text(), QStringLiteral("Соединение с прибором:"));
    QCOMPARE(child<QLabel>("Label2")->text(), QStringLiteral("Нет"));
    QCOMPARE(child<QLabel>("Label2")->palette().color(QPalette::WindowText).rgb(), Red);
    QVERIFY(child<QCheckBox>("CheckBox1")->isChecked());
    QCOMPARE(child<QCheckBox>("CheckBox1")->text(), QStringLiteral("Ручной ввод"));
    QCOMPARE(child<QPushButton>("Button3")->text(), QStringLiteral("Очистить данные"));
    QCOMPARE(child<QPushButton>("Go")->text(), QStringLiteral("Получить данные"));
    QCOMPARE(child<QPushButton>("StopBtn")->text(), QStringLiteral("Прервать"));
    QVERIFY(child<QPushButton>("StopBtn")->isHidden());
    QCOMPARE(child<QPushButton>("Button1")->text(), QStringLiteral("Расчет"));
    QCOMPARE(child<QPushButton>("Button2")->text(), QStringLiteral("Протокол"));
    const std::pair<const char*, QRgb> legend[] = {{"Label5", Green}, {"Label6", Red}, {"Label7", Maroon}, {"Label8", Black}};
    for (const auto& [name, colour] : legend)
        QCOMPARE(child<QLabel>(name)->palette().color(QPalette::WindowText).rgb(), colour);
    // Five columns of two: s0 over s1, ..., dC0 over dC1, every one "-".
    for (int i = 0; i < LabelCount; i += 2) {
        QLabel* upper = child<QLabel>(labelName(Label(i)));
        QLabel* lower = child<QLabel>(labelName(Label(i + 1)));
        QCOMPARE(upper->text(), QStringLiteral("-"));
        QCOMPARE(lower->x(), upper->x());
        QVERIFY(lower->y() > upper->y());
        if (i > 0)
            QVERIFY(upper->x() > child<QLabel>(labelName(Label(i - 2)))->x());
    }
}

void TestRasWindow::typingNeedsManualEntry()
{
    auto* grid = child<GridView>("PlData");
    auto* manual = child<QCheckBox>("CheckBox1");
    const QModelIndex b3 = grid->model()->index(2, 3);
    grid->setCurrentIndex(b3);

    manual->setChecked(false);
    type(grid, QStringLiteral("7"));
    QVERIFY(!openEditor(grid));
    QCOMPARE(m_project->densityTable().cell(3, 2), QString());

    manual->setChecked(true);
    type(grid, QStringLiteral("0,5"));
    QVERIFY(openEditor(grid));
    key(openEditor(grid), Qt::Key_Return);
    QCOMPARE(m_project->densityTable().cell(3, 2), QStringLiteral("0,5"));

    // Pasting works with manual entry; an editor already open then stops
    // taking characters, deletions and pastes once it is switched off.
    const auto paste = [](QWidget* editor) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_V, Qt::ControlModifier);
        QApplication::sendEvent(editor, &press);
    };
    QGuiApplication::clipboard()->setText(QStringLiteral("3,3"));
    grid->edit(b3);
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    editor->selectAll();
    paste(editor);
    QCOMPARE(editor->text(), QStringLiteral("3,3"));
    manual->setChecked(false);
    type(grid, QStringLiteral("9"));
    key(editor, Qt::Key_Backspace);
    editor->selectAll();
    key(editor, Qt::Key_Delete);
    QGuiApplication::clipboard()->setText(QStringLiteral("7,7"));
    paste(editor);
    QCOMPARE(editor->text(), QStringLiteral("3,3"));
    key(editor, Qt::Key_Return);
    QCOMPARE(m_project->densityTable().cell(3, 2), QStringLiteral("3,3"));

    // The acquisition still writes the densities.
    m_project->densityTable().setCell(4, 4, QStringLiteral("0.123"));
    QCOMPARE(grid->model()->index(4, 4).data().toString(), QStringLiteral("0.123"));
}

void TestRasWindow::clearDensities()
{
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6");
    test::setResult(*m_project, 1, 1, 0.2, Verdict::Positive);
    m_project->setLabelText(Label::s0, QStringLiteral("C+  = 0,2"));
    child<QPushButton>("Button3")->click();

    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            QCOMPARE(m_project->densityTable().cell(col, row), QString());
    QCOMPARE(m_project->densityTable().cell(5, 0), QStringLiteral("5"));
    QCOMPARE(m_project->densityTable().cell(0, 2), QStringLiteral("B"));
    QCOMPARE(m_project->resultTable().cell(1, 1), QStringLiteral("0,2"));
    QCOMPARE(child<QLabel>("s0")->text(), QStringLiteral("C+  = 0,2"));
}

// A failed check shows its message and the run goes on to the results; the
// wells holding "0" are then empty in the project, not only on screen.
void TestRasWindow::calculationShowsMessageAndGoesOn()
{
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,5; B1 C- 5,0; C1 1.1 4,0; D1 2.1 3,3; E1 3.1 0,5");
    child<QPushButton>("Button1")->click();

    QCOMPARE(m_dialogs->messages,
             QStringList{"Не верное значение коэффициента (C+).\n\r(C+)>0.3.\n\r Результат не действителен."});
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(child<QLabel>("s0")->text(), QStringLiteral("C+  = 0,5"));
    QCOMPARE(child<QLabel>("s0")->palette().color(QPalette::WindowText).rgb(), Red);
    QCOMPARE(child<QLabel>("ot1")->text(), QStringLiteral("(C-)/(C+)   = 10"));
    QCOMPARE(child<QLabel>("ot1")->palette().color(QPalette::WindowText).rgb(), Green);
    QCOMPARE(m_project->resultTable().cell(1, 3), QStringLiteral("4 "));
    QCOMPARE(m_project->resultTable().cell(1, 4), QStringLiteral("(3,3)"));
    QCOMPARE(m_project->resultTable().cell(1, 5), QStringLiteral("0,5"));
    QCOMPARE(m_project->resultTable().cell(1, 6), QString());
    QCOMPARE(m_project->resultTable().cell(12, 8), QString());
}

void TestRasWindow::drawnColours()
{
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 5,0; C1 1.1 4,0; D1 2.1 1,3; E1 3.1 0,5; F1 O 9,0; G1 4.1 0,25");
    child<QPushButton>("Button1")->click();
    auto* grid = child<GridView>("RasTab");
    grid->setCurrentIndex(grid->model()->index(7, 1)); // G1, positive

    const QSet<QRgb> textColours{Green, Red, Maroon, Black, White, Blue};
    const struct {
        int col, row;
        QRgb colour;
    } cells[] = {
        {1, 3, Red},    // C1 negative
        {1, 4, Maroon}, // D1 doubtful
        {1, 5, Green},  // E1 positive
        {1, 1, Black},  // A1 control C+
        {1, 2, Black},  // B1 control C-, negative form
        {1, 7, White},  // G1 current cell
        {3, 0, Blue},   // header
        {0, 2, Blue},
    };
    for (const auto& cell : cells) {
        const QSet<QRgb> drawn = cellColours(grid, cell.col, cell.row) & textColours;
        QVERIFY2(drawn.contains(cell.colour), qPrintable(QStringLiteral("cell %1,%2").arg(cell.col).arg(cell.row)));
        const QSet<QRgb> allowed{cell.colour, Black, White}; // the grid lines and the frame
        QCOMPARE(drawn - allowed, QSet<QRgb>()); // no other text colour
    }
    // The empty well's "0" shows nothing but its background.
    QCOMPARE(cellColours(grid, 6, 6).size(), 1);
}

void TestRasWindow::divisionErrorStopsRun()
{
    test::setResult(*m_project, 2, 2, 0.7, Verdict::Negative);
    child<QPushButton>("Button1")->click(); // kit 01, no densities: 0/0
    QCOMPARE(m_dialogs->errors, QStringList{"Invalid floating point operation"});
    QCOMPARE(m_dialogs->messages, QStringList());
    QCOMPARE(child<QLabel>("s0")->text(), QStringLiteral("S+  = 0"));
    QCOMPARE(child<QLabel>("ot1")->text(), QStringLiteral("-"));
    QCOMPARE(m_project->resultTable().cell(2, 2), QStringLiteral("0,7 "));
}

void TestRasWindow::kit04HidesS2AndS3()
{
    test::selectKit(*m_project, 4);
    test::layPlate(*m_project, "A1 C+ 1,0; B1 C+ 1,0; C1 C- 0,1; D1 C- 0,1");
    child<QPushButton>("Button1")->click();
    QVERIFY(child<QLabel>("s2")->isHidden());
    QVERIFY(child<QLabel>("s3")->isHidden());
    QVERIFY(!child<QLabel>("s4")->isHidden());
    test::selectKit(*m_project, 1);
    test::layPlate(*m_project, "A1 S+ 0,5; B2 R+! 0,5; C1 C- 1,5; C2 C-! 1,5");
    child<QPushButton>("Button1")->click();
    QVERIFY(!child<QLabel>("s2")->isHidden());
    QVERIFY(!child<QLabel>("s3")->isHidden());
    QCOMPARE(child<QLabel>("s3")->text(), QStringLiteral("R+! = 0,5"));
}

void TestRasWindow::protocolWrittenAndOpened()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6");
    child<QPushButton>("Button1")->click();
    child<QPushButton>("Button2")->click();
    QDir::setCurrent(previous);
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->openedFiles, QStringList{"result.txt"});
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("result.txt"))).size() > 0);
}

QTEST_MAIN(TestRasWindow)
#include "tst_raswindow.moc"
