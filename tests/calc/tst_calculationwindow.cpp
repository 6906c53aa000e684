#include "gui/app/gridview.h"
#include "gui/calc/calculationwindow.h"
#include "gui/commands/windowedits.h"
#include "core/calc/calculationsession.h"
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
#include <QScrollBar>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

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

class TestCalculationWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setDecimalSeparator(QLatin1Char(',')); }
    void init();
    void cleanup();
    void controls();
    void typingNeedsManualEntry();
    void clearDensities();
    void spreadsheetKeys();
    void blockIntoCellEditor();
    void spreadsheetKeysChangeNothing_data();
    void spreadsheetKeysChangeNothing();
    void calculationShowsMessageAndGoesOn();
    void drawnColours();
    void gridsShowWholeTexts_data();
    void gridsShowWholeTexts();
    void divisionErrorStopsRun();
    void kit04HidesS2AndS3();
    void protocolWrittenAndOpened();

private:
    template<typename T> T* child(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no control %s", name);
        return widget;
    }
    static QLineEdit* openEditor(GridView* grid);
    void type(GridView* grid, const QString& text);
    void key(QWidget* target, Qt::Key key);
    QStringList densityColumn(int col) const;
    QSet<QRgb> cellColours(GridView* grid, int col, int row) const;
    int inkHeightAtTextEnd(GridView* grid, int col, int row) const;

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Project> m_project;
    std::unique_ptr<CalculationSession> m_session;
    std::unique_ptr<EditStack> m_edits;
    std::unique_ptr<CalculationWindow> m_window;
};

void TestCalculationWindow::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_project = std::make_unique<Project>();
    m_session = std::make_unique<CalculationSession>(*m_project);
    m_edits = std::make_unique<EditStack>(*m_project);
    m_window = std::make_unique<CalculationWindow>(*m_session, *m_edits);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestCalculationWindow::cleanup()
{
    m_window.reset();
    m_edits.reset();
    m_session.reset();
    m_project.reset();
    m_dialogs.reset();
}

// The grid's cell editor while one is open; closed ones are hidden until deleted.
QLineEdit* TestCalculationWindow::openEditor(GridView* grid)
{
    for (QLineEdit* editor : grid->findChildren<QLineEdit*>())
        if (editor->isVisible())
            return editor;
    return nullptr;
}

// Each character goes where the grid sends keys: the grid itself, or its open cell editor.
void TestCalculationWindow::type(GridView* grid, const QString& text)
{
    for (const QChar c : text) {
        QWidget* target = openEditor(grid);
        if (!target)
            target = grid;
        test::typeText(target, QString(c));
    }
}

void TestCalculationWindow::key(QWidget* target, Qt::Key k)
{
    QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QCoreApplication::processEvents(); // the editor commits through a queued call
}

// The texts of rows A to D of one density column.
QStringList TestCalculationWindow::densityColumn(int col) const
{
    QStringList texts;
    for (int row = 1; row <= 4; ++row)
        texts << m_project->densityTable().cell(col, row);
    return texts;
}

// The colours painted in one cell of a grid, as the screen shows them.
QSet<QRgb> TestCalculationWindow::cellColours(GridView* grid, int col, int row) const
{
    const QImage image = grid->viewport()->grab().toImage();
    const QRect rect = grid->visualRect(grid->model()->index(row, col));
    QSet<QRgb> colours;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            colours.insert(image.pixel(x, y) | 0xff000000);
    return colours;
}

// How tall the text's last few pixel columns are drawn in a cell: the dots of
// an ellipsis sit on the baseline, a digit cut at the border stands full height.
int TestCalculationWindow::inkHeightAtTextEnd(GridView* grid, int col, int row) const
{
    const QImage image = grid->viewport()->grab().toImage();
    const QRect rect = grid->visualRect(grid->model()->index(row, col));
    const QRgb background = image.pixel(rect.topLeft());
    int right = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            if (image.pixel(x, y) != background)
                right = std::max(right, x);
    int top = rect.bottom() + 1;
    int bottom = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = right - 3; x <= right; ++x)
            if (image.pixel(x, y) != background) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    return bottom - top + 1;
}

void TestCalculationWindow::controls()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Расчет"));
    QCOMPARE(m_window->size(), QSize(562, 519));
    QCOMPARE(child<QGroupBox>("calc.densityBox")->title(), QStringLiteral("Данные оптических плотностей"));
    QCOMPARE(child<QGroupBox>("calc.calculationBox")->title(), QStringLiteral("Расчет"));
    QCOMPARE(child<QGroupBox>("calc.summaryBox")->title(), QStringLiteral("Данные рассчета"));
    QCOMPARE(child<GridView>("calc.densities")->grid(), &m_project->densityTable());
    QCOMPARE(child<GridView>("calc.results")->grid(), &m_project->resultTable());
    QCOMPARE(child<QLabel>("calc.connectionCaption")->text(), QStringLiteral("Соединение с прибором:"));
    QCOMPARE(child<QLabel>("calc.connection")->text(), QStringLiteral("Нет"));
    QCOMPARE(child<QLabel>("calc.connection")->palette().color(QPalette::WindowText).rgb(), Red);
    QVERIFY(child<QCheckBox>("calc.manualEntry")->isChecked());
    QCOMPARE(child<QCheckBox>("calc.manualEntry")->text(), QStringLiteral("Ручной ввод"));
    QCOMPARE(child<QPushButton>("calc.clear")->text(), QStringLiteral("Очистить данные"));
    QCOMPARE(child<QPushButton>("calc.start")->text(), QStringLiteral("Получить данные"));
    QCOMPARE(child<QPushButton>("calc.stop")->text(), QStringLiteral("Прервать"));
    QVERIFY(child<QPushButton>("calc.stop")->isHidden());
    QCOMPARE(child<QPushButton>("calc.calculate")->text(), QStringLiteral("Расчет"));
    QCOMPARE(child<QPushButton>("calc.protocol")->text(), QStringLiteral("Протокол"));
    const std::pair<const char*, QRgb> legend[] = {{"calc.legend.positive", Green},
                                                   {"calc.legend.negative", Red},
                                                   {"calc.legend.doubtful", Maroon},
                                                   {"calc.legend.coefficients", Black}};
    for (const auto& [name, colour] : legend)
        QCOMPARE(child<QLabel>(name)->palette().color(QPalette::WindowText).rgb(), colour);
    // Five columns of two (s0 over s1, ..., dC0 over dC1), every one "-".
    const char* const columns[][2] = {{"calc.summary.1", "calc.summary.2"},
                                      {"calc.summary.3", "calc.summary.4"},
                                      {"calc.summary.5", "calc.summary.6"},
                                      {"calc.summary.7", "calc.summary.8"},
                                      {"calc.summary.9", "calc.summary.10"}};
    QLabel* left = nullptr;
    for (const auto& [top, bottom] : columns) {
        QLabel* upper = child<QLabel>(top);
        QLabel* lower = child<QLabel>(bottom);
        QCOMPARE(upper->text(), QStringLiteral("-"));
        QCOMPARE(lower->x(), upper->x());
        QVERIFY(lower->y() > upper->y());
        if (left)
            QVERIFY(upper->x() > left->x());
        left = upper;
    }
}

void TestCalculationWindow::typingNeedsManualEntry()
{
    auto* grid = child<GridView>("calc.densities");
    auto* manual = child<QCheckBox>("calc.manualEntry");
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

void TestCalculationWindow::clearDensities()
{
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6");
    test::setResult(*m_project, 1, 1, 0.2, Verdict::Positive);
    m_project->setLabelText(Label::s0, QStringLiteral("C+  = 0,2"));
    child<QPushButton>("calc.clear")->click();

    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            QCOMPARE(m_project->densityTable().cell(col, row), QString());
    QCOMPARE(m_project->densityTable().cell(5, 0), QStringLiteral("5"));
    QCOMPARE(m_project->densityTable().cell(0, 2), QStringLiteral("B"));
    QCOMPARE(m_project->resultTable().cell(1, 1), QStringLiteral("0,2"));
    QCOMPARE(child<QLabel>("calc.summary.1")->text(), QStringLiteral("C+  = 0,2"));
}

// The density grid as a spreadsheet: a block pasted from the current well,
// Enter down and Tab right, Delete clearing the selection, Ctrl+C copying it
// and Ctrl+Z undoing the last step.
void TestCalculationWindow::spreadsheetKeys()
{
    auto* grid = child<GridView>("calc.densities");
    const auto at = [grid](int col, int row) { return grid->model()->index(row, col); };
    const auto current = [grid] {
        return TextGrid::rowLetter(grid->currentIndex().row()) + QString::number(grid->currentIndex().column());
    };
    grid->setFocus();
    m_project->densityTable().setCell(3, 1, QStringLiteral("9"));
    grid->setCurrentIndex(at(3, 1)); // A3

    QGuiApplication::clipboard()->setText(QStringLiteral("0,5\t0,6\r\n0.7\t0.8\r\n"));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(densityColumn(3), (QStringList{"0,5", "0.7", "", ""}));
    QCOMPARE(densityColumn(4), (QStringList{"0,6", "0.8", "", ""}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(densityColumn(3), (QStringList{"9", "", "", ""}));
    QCOMPARE(densityColumn(4), (QStringList{"", "", "", ""}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier); // the "9" was no step
    QCOMPARE(densityColumn(3), (QStringList{"9", "", "", ""}));

    // "1,01 Enter 1,02 Enter" fills the column downwards; Enter on the grid
    // and Tab move on without typing.
    type(grid, QStringLiteral("1,01"));
    key(openEditor(grid), Qt::Key_Return);
    type(grid, QStringLiteral("1,02"));
    key(openEditor(grid), Qt::Key_Return);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "", ""}));
    QCOMPARE(current(), QStringLiteral("C3"));
    type(grid, QStringLiteral("2"));
    key(openEditor(grid), Qt::Key_Tab);
    QCOMPARE(current(), QStringLiteral("C4"));
    key(grid, Qt::Key_Return);
    QCOMPARE(current(), QStringLiteral("D4"));
    grid->setCurrentIndex(at(3, 8));
    key(grid, Qt::Key_Return); // after H, row A of the next column
    QCOMPARE(current(), QStringLiteral("A4"));
    grid->setCurrentIndex(at(12, 1));
    key(grid, Qt::Key_Tab); // after 12, column 1 of the next row
    QCOMPARE(current(), QStringLiteral("B1"));
    QVERIFY(grid->hasFocus());

    // Delete clears the selection A3..B3, Ctrl+C copies it, Ctrl+Z brings it back.
    grid->setCurrentIndex(at(3, 1));
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("1,01\n1,02\n"));
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(densityColumn(3), (QStringList{"", "", "2", ""}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "2", ""}));

    // Typing after a clear is the last step: Ctrl+Z takes back the typing,
    // never the clear past it; the next Ctrl+Z the clear.
    grid->setCurrentIndex(at(3, 3));
    QTest::keyClick(grid, Qt::Key_Backspace);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "", ""}));
    type(grid, QStringLiteral("5"));
    key(openEditor(grid), Qt::Key_Return);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "5", ""}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "", ""}));
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(densityColumn(3), (QStringList{"1,01", "1,02", "2", ""}));

    // What falls off the plate is cut and said.
    grid->setCurrentIndex(at(12, 1));
    QGuiApplication::clipboard()->setText(QStringLiteral("1\t2"));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(m_project->densityTable().cell(12, 1), QStringLiteral("1"));
    QCOMPARE(m_dialogs->messages,
             QStringList{"Вставлено 1 × 1 из 1 × 2; 1 столбец справа не поместился на планшет (1 ячейка)."});
    QCOMPARE(m_dialogs->errors, QStringList());
}

// A block pasted into a cell being typed into fills the wells from that cell
// on, never one cell with the whole text; a single value stays the editor's.
void TestCalculationWindow::blockIntoCellEditor()
{
    auto* grid = child<GridView>("calc.densities");
    const QModelIndex b1 = grid->model()->index(2, 1);
    grid->setCurrentIndex(b1);
    grid->edit(b1);
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);
    editor->setText(QStringLiteral("7"));
    QGuiApplication::clipboard()->setText(QStringLiteral("0,25\t0,26\n0,35\t0,36\n"));
    QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::processEvents();
    QVERIFY(!openEditor(grid));
    QCOMPARE(densityColumn(1), (QStringList{"", "0,25", "0,35", ""}));
    QCOMPARE(densityColumn(2), (QStringList{"", "0,26", "0,36", ""}));
}

void TestCalculationWindow::spreadsheetKeysChangeNothing_data()
{
    // clang-format off
    QTest::addColumn<bool>("locked"); // else manual entry off
    QTest::newRow("manual entry off") << false;
    QTest::newRow("plate locked") << true;
    // clang-format on
}

// Without manual entry, and while the reader fills the plate, neither a
// paste (on the grid or in a cell editor), a clear nor an undo changes the
// densities; copying still works.
void TestCalculationWindow::spreadsheetKeysChangeNothing()
{
    QFETCH(bool, locked);
    auto* grid = child<GridView>("calc.densities");
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1)); // A1
    QGuiApplication::clipboard()->setText(QStringLiteral("0,1\t0,2"));
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier); // an undo waiting
    QCOMPARE(m_project->densityTable().cell(2, 1), QStringLiteral("0,2"));
    grid->edit(grid->model()->index(1, 1));
    QLineEdit* editor = openEditor(grid);
    QVERIFY(editor);

    if (locked)
        m_project->setPlateLocked(true);
    else
        child<QCheckBox>("calc.manualEntry")->setChecked(false);
    QGuiApplication::clipboard()->setText(QStringLiteral("9\t9"));
    if (!locked) { // a lock closes the editor
        QTest::keyClick(editor, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(editor->text(), QStringLiteral("0,1"));
        key(editor, Qt::Key_Escape);
    }
    QTest::keyClick(grid, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Delete);
    QTest::keyClick(grid, Qt::Key_Backspace);
    QTest::keyClick(grid, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_project->densityTable().cell(1, 1), QStringLiteral("0,1"));
    QCOMPARE(m_project->densityTable().cell(2, 1), QStringLiteral("0,2"));
    QTest::keyClick(grid, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("0,1\n"));
    QCOMPARE(m_dialogs->errors, QStringList());
}

// A failed check shows its message and the run goes on to the results; the
// wells holding "0" are then empty in the project, not only on screen.
void TestCalculationWindow::calculationShowsMessageAndGoesOn()
{
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,5; B1 C- 5,0; C1 1.1 4,0; D1 2.1 3,3; E1 3.1 0,5");
    child<QPushButton>("calc.calculate")->click();

    QCOMPARE(m_dialogs->messages,
             QStringList{"Не верное значение коэффициента (C+).\n\r(C+)>0.3.\n\r Результат не действителен."});
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(child<QLabel>("calc.summary.1")->text(), QStringLiteral("C+  = 0,5"));
    QCOMPARE(child<QLabel>("calc.summary.1")->palette().color(QPalette::WindowText).rgb(), Red);
    QCOMPARE(child<QLabel>("calc.summary.7")->text(), QStringLiteral("(C-)/(C+)   = 10"));
    QCOMPARE(child<QLabel>("calc.summary.7")->palette().color(QPalette::WindowText).rgb(), Green);
    QCOMPARE(m_project->resultTable().cell(1, 3), QStringLiteral("4 "));
    QCOMPARE(m_project->resultTable().cell(1, 4), QStringLiteral("(3,3)"));
    QCOMPARE(m_project->resultTable().cell(1, 5), QStringLiteral("0,5"));
    QCOMPARE(m_project->resultTable().cell(1, 6), QString());
    QCOMPARE(m_project->resultTable().cell(12, 8), QString());
}

void TestCalculationWindow::drawnColours()
{
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 5,0; C1 1.1 4,0; D1 2.1 1,3; E1 3.1 0,5; F1 O 9,0; G1 4.1 0,25");
    child<QPushButton>("calc.calculate")->click();
    auto* grid = child<GridView>("calc.results");
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
        QCOMPARE(drawn - allowed, QSet<QRgb>());             // no other text colour
    }
    // The empty well's "0" shows nothing but its background.
    QCOMPARE(cellColours(grid, 6, 6).size(), 1);
}

// Every column of both grids widens to its widest text, so the usual
// densities and results read whole; a number too long for the widest column
// is elided and shown whole in the cell's tooltip. The columns follow the
// texts back when they are emptied again.
void TestCalculationWindow::gridsShowWholeTexts_data()
{
    // clang-format off
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("whole");
    // margin: the pixels the grid's drawing keeps beside the text in a cell
    QTest::addColumn<int>("margin");

    QTest::newRow("density 6 chars")      << "calc.densities" << "1,1177" << true << 6;
    QTest::newRow("density 6 chars, 0,4") << "calc.densities" << "0,4785" << true << 6;
    QTest::newRow("density 7 chars")      << "calc.densities" << "0,22614" << true << 6;
    QTest::newRow("density 15 digits")    << "calc.densities" << "0,681818181818182" << false << 6;
    QTest::newRow("result 7 chars")       << "calc.results"   << "0,56432" << true << 2;
    QTest::newRow("result doubtful")      << "calc.results"   << "(0,613)" << true << 2;
    QTest::newRow("result negative")      << "calc.results"   << "0,95 " << true << 2;
    QTest::newRow("result 7 chars neg")   << "calc.results"   << "0,56432 " << true << 2;
    QTest::newRow("result exponent")      << "calc.results"   << "1,5E20" << true << 2;
    QTest::newRow("density exponent")     << "calc.densities" << "1,5E2" << true << 6;
    QTest::newRow("result 15 digits")     << "calc.results"   << "0,681818181818182" << false << 2;
    QTest::newRow("result 15 digits neg") << "calc.results"   << "0,681818181818182 " << false << 2;
    // clang-format on
}

void TestCalculationWindow::gridsShowWholeTexts()
{
    QFETCH(QString, grid);
    QFETCH(QString, text);
    QFETCH(bool, whole);
    QFETCH(int, margin);
    auto* view = child<GridView>(grid.toLatin1().constData());
    TextGrid& cells = *view->grid();
    const QStringList empty = cells.columnMajorTexts();
    test::layPlate(*m_project, "");
    // Sample wells everywhere, so that negatives draw red. Densities one cell
    // at a time, as typing and the reader write; results as a run leaves them.
    const bool results = grid == QLatin1String("calc.results");
    if (results) {
        // "(v)" doubtful, "v " negative, else positive.
        const bool doubtful = text.startsWith(QLatin1Char('('));
        const bool negative = text.endsWith(QLatin1Char(' '));
        QString number = text.trimmed().remove(QLatin1Char('(')).remove(QLatin1Char(')'));
        const double value = number.replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
        const Verdict verdict = doubtful ? Verdict::Doubtful : negative ? Verdict::Negative : Verdict::Positive;
        PlateWells wells;
        for (int col = 1; col <= 12; ++col)
            for (int row = 1; row <= 8; ++row)
                wells.at(col, row) = WellResult{value, verdict};
        m_project->setResultWells(wells);
        QCOMPARE(cells.cell(3, 5), text);
    } else {
        for (int col = 1; col <= 12; ++col)
            for (int row = 1; row <= 8; ++row)
                cells.setCell(col, row, text);
    }
    QCoreApplication::processEvents();

    QVERIFY(!view->horizontalScrollBar()->isVisible());
    QVERIFY(!view->verticalScrollBar()->isVisible());
    QCOMPARE(view->columnViewportPosition(12) + view->columnWidth(12) + 1, view->viewport()->width());
    const QRect inWindow(view->mapTo(m_window.get(), QPoint(0, 0)), view->size());
    QVERIFY(QRect(QPoint(0, 0), m_window->size()).contains(inWindow));
    // At its widest the window, in its frame, still fits beside the layout
    // window on a 1280 pixel screen: 1280 - 549 (layout window) - 21 (frame).
    QVERIFY2(m_window->width() <= 710, qPrintable(QString::number(m_window->width())));

    const QFontMetrics metrics(view->font());
    const int needed = metrics.horizontalAdvance(text) + margin;
    for (int col = 1; col <= 12; ++col) {
        const QRect cell = view->visualRect(cells.index(4, col));
        const QString where = QStringLiteral("column %1: %2 px for %3 px").arg(col).arg(cell.width()).arg(needed);
        if (whole) {
            QVERIFY2(cell.width() >= needed, qPrintable(where));
            continue;
        }
        QVERIFY2(cell.width() < needed, qPrintable(where));
        QVERIFY2(inkHeightAtTextEnd(view, col, 4) <= 2, qPrintable(where + QStringLiteral(": cut, not elided")));
        QHelpEvent tip(QEvent::ToolTip, cell.center(), view->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(view->viewport(), &tip);
        QCOMPARE(QToolTip::text(), text);
        QToolTip::hideText();
    }
    if (results) {
        // Elided or whole, the number keeps its verdict's colour.
        const QRgb colour = text.startsWith(QLatin1Char('(')) ? Maroon : text.endsWith(QLatin1Char(' ')) ? Red : Green;
        const QSet<QRgb> textColours{Green, Red, Maroon, Blue};
        QCOMPARE(cellColours(view, 5, 3) & textColours, QSet<QRgb>{colour});
    }

    // Emptied at once, as a project opened does: the columns and the window shrink back.
    if (results)
        m_project->setResultWells(PlateWells());
    else
        cells.assign(9, empty);
    for (int col = 0; col <= 12; ++col)
        QCOMPARE(view->columnWidth(col), 40);
    QCOMPARE(m_window->size(), QSize(562, 519));
}

void TestCalculationWindow::divisionErrorStopsRun()
{
    test::setResult(*m_project, 2, 2, 0.7, Verdict::Negative);
    child<QPushButton>("calc.calculate")->click(); // kit 01, no densities: 0/0
    QCOMPARE(m_dialogs->errors, QStringList{"Invalid floating point operation"});
    QCOMPARE(m_dialogs->messages, QStringList());
    QCOMPARE(child<QLabel>("calc.summary.1")->text(), QStringLiteral("S+  = 0"));
    QCOMPARE(child<QLabel>("calc.summary.7")->text(), QStringLiteral("-"));
    QCOMPARE(m_project->resultTable().cell(2, 2), QStringLiteral("0,7 "));
}

void TestCalculationWindow::kit04HidesS2AndS3()
{
    test::selectKit(*m_project, 4);
    test::layPlate(*m_project, "A1 C+ 1,0; B1 C+ 1,0; C1 C- 0,1; D1 C- 0,1");
    child<QPushButton>("calc.calculate")->click();
    QVERIFY(child<QLabel>("calc.summary.3")->isHidden());
    QVERIFY(child<QLabel>("calc.summary.4")->isHidden());
    QVERIFY(!child<QLabel>("calc.summary.5")->isHidden());
    test::selectKit(*m_project, 1);
    test::layPlate(*m_project, "A1 S+ 0,5; B2 R+! 0,5; C1 C- 1,5; C2 C-! 1,5");
    child<QPushButton>("calc.calculate")->click();
    QVERIFY(!child<QLabel>("calc.summary.3")->isHidden());
    QVERIFY(!child<QLabel>("calc.summary.4")->isHidden());
    QCOMPARE(child<QLabel>("calc.summary.4")->text(), QStringLiteral("R+! = 0,5"));
}

void TestCalculationWindow::protocolWrittenAndOpened()
{
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    test::selectKit(*m_project, 2);
    test::layPlate(*m_project, "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6");
    child<QPushButton>("calc.calculate")->click();
    child<QPushButton>("calc.protocol")->click();
    QDir::setCurrent(previous);
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->openedFiles, QStringList{"result.txt"});
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("result.txt"))).size() > 0);
}

QTEST_MAIN(TestCalculationWindow)
#include "tst_calculationwindow.moc"
