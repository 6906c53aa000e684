#include "platemap.h"

#include "gui/app/gridview.h"
#include "gui/layout/layoutwindow.h"
#include "gui/commands/windowedits.h"
#include "core/layout/rules.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace pleq;
using test::sortedWells;
using test::wellsOf;

class TestLayoutWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startUp();
    void addRows();
    void deleteRow_data();
    void deleteRow();
    void selectWellOnMap();
    void firstWellBoxes();
    void boxesIgnoreTyping();
    void lettersQuantity();
    void kitChoiceAndOrientation();
    void followsProject();
    void keyboardOrder();
    void resizeSampleColumns();
    void plateMapShowsWholeTexts_data();
    void plateMapShowsWholeTexts();
    void sampleListShowsWholeHeaders();
    void contextMenuKeepsCurrentRow();

private:
    template<typename T> T* find(const char* name) const
    {
        T* widget = m_window->findChild<T*>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    QStringList sampleRow(int row) const;
    void clickWell(const QString& well);
    void typeIntoSampleCell(int col, int row, const QString& text);

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Project> m_project;
    std::unique_ptr<EditStack> m_edits;
    std::unique_ptr<LayoutWindow> m_window;
};

void TestLayoutWindow::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_project = std::make_unique<Project>();
    m_edits = std::make_unique<EditStack>(*m_project);
    m_window = std::make_unique<LayoutWindow>(*m_edits);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestLayoutWindow::cleanup()
{
    m_window.reset();
    m_edits.reset();
    m_project.reset();
    m_dialogs.reset();
}

QStringList TestLayoutWindow::sampleRow(int row) const
{
    const TextGrid& samples = m_project->sampleTable();
    return {samples.cell(0, row), samples.cell(1, row), samples.cell(2, row)};
}

void TestLayoutWindow::clickWell(const QString& well)
{
    auto* map = find<GridView>("layout.plate");
    const QModelIndex index = map->model()->index(well.at(0).unicode() - 'A' + 1, well.mid(1).toInt());
    QTest::mouseClick(map->viewport(), Qt::LeftButton, {}, map->visualRect(index).center());
}

void TestLayoutWindow::typeIntoSampleCell(int col, int row, const QString& text)
{
    auto* list = find<GridView>("layout.samples");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(row, col));
    QTest::keyClicks(list, text.left(1)); // typing opens the cell's editor
    QWidget* editor = list->indexWidget(list->currentIndex());
    QVERIFY(editor);
    QTest::keyClicks(editor, text.mid(1));
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents(); // the delegate commits on Return through the event loop
}

void TestLayoutWindow::startUp()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Роспись планшета"));
    // At least 509 wide: wider where the texts of the list's header and the map need it.
    QVERIFY(m_window->width() >= 509);
    QCOMPARE(m_window->height(), 378);
    QCOMPARE(m_project->sampleTable().rows(), 2);
    QCOMPARE(sampleRow(0), (QStringList{"№", "Проба ", "Кол-во"}));
    QCOMPARE(sampleRow(1), (QStringList{"1", "Проба №1", "1"}));
    // The fill at creation: kit 01, vertical, from A1.
    QCOMPARE(wellsOf(m_project->plateLayout()),
             sortedWells({"A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1"}));
    QVERIFY(m_dialogs->errors.isEmpty());

    QCOMPARE(find<QGroupBox>("layout.sampleBox")->title(), QStringLiteral("Заполнение плашки"));
    QCOMPARE(find<QGroupBox>("layout.plateBox")->title(), QStringLiteral("Планшет"));
    QCOMPARE(find<QPushButton>("layout.fill")->text(), QStringLiteral("Заполнить"));
    QCOMPARE(find<QPushButton>("layout.removeSample")->text(), QStringLiteral("-"));
    QCOMPARE(find<QPushButton>("layout.addSample")->text(), QStringLiteral("+"));
    QCOMPARE(find<QAction>("layout.sampleMenu.add")->text(), QStringLiteral("Добавить"));
    QCOMPARE(find<QAction>("layout.sampleMenu.remove")->text(), QStringLiteral("Удалить"));
    QCOMPARE(find<QLabel>("layout.plateNameLabel")->text(), QStringLiteral("Наименование:"));
    QCOMPARE(find<QLineEdit>("layout.plateName")->text(), QStringLiteral("Новый"));
    QCOMPARE(find<QLabel>("layout.firstWellLabel")->text(), QStringLiteral("Первая лунка:"));
    QCOMPARE(find<QComboBox>("layout.firstWellRow")->currentText(), QStringLiteral("A"));
    QCOMPARE(find<QComboBox>("layout.firstWellRow")->count(), 8);
    QCOMPARE(find<QComboBox>("layout.firstWellColumn")->currentText(), QStringLiteral("1"));
    QCOMPARE(find<QComboBox>("layout.firstWellColumn")->itemText(11), QStringLiteral("12"));
    QCOMPARE(find<QLabel>("layout.repetitionsLabel")->text(), QStringLiteral("Повторности"));
    QCOMPARE(find<QComboBox>("layout.repetitions")->currentText(), QStringLiteral("01"));
    QCOMPARE(find<QComboBox>("layout.repetitions")->itemText(2), QStringLiteral("03"));
    QCOMPARE(find<QGroupBox>("layout.orientation")->title(), QStringLiteral("Ориентация"));
    QVERIFY(find<QRadioButton>("layout.vertical")->isChecked());
    QVERIFY(find<QRadioButton>("layout.horizontal")->isVisible());
    QCOMPARE(find<QGroupBox>("layout.material")->title(), QStringLiteral("Материал"));
    QVERIFY(find<QGroupBox>("layout.material")->isHidden());
    QVERIFY(find<QRadioButton>("layout.serum")->isChecked());
    for (const char* box : {"layout.firstWellRow", "layout.firstWellColumn", "layout.repetitions"})
        QVERIFY(!find<QComboBox>(box)->isEditable());

    auto* list = find<GridView>("layout.samples");
    QCOMPARE(list->columnWidth(0), 30);
    QCOMPARE(list->columnWidth(1), 117);
    QVERIFY(list->columnWidth(2) >= 30);
    QVERIFY(!(m_project->sampleTable().flags(m_project->sampleTable().index(1, 0)) & Qt::ItemIsEditable));
    QVERIFY(m_project->sampleTable().flags(m_project->sampleTable().index(1, 2)) & Qt::ItemIsEditable);
    auto* map = find<GridView>("layout.plate");
    QCOMPARE(map->columnWidth(5), 19);
    QCOMPARE(map->rowHeight(5), 17);
    QVERIFY(map->editTriggers() == QAbstractItemView::NoEditTriggers);
    QCOMPARE(map->currentIndex(), map->model()->index(1, 1)); // the first well
}

void TestLayoutWindow::addRows()
{
    for (int i = 0; i < 3; ++i)
        click("layout.addSample");
    QCOMPARE(m_project->sampleTable().rows(), 5);
    for (int row = 2; row <= 4; ++row)
        QCOMPARE(sampleRow(row), (QStringList{QString::number(row), QStringLiteral("Проба №%1").arg(row), "1"}));
    QCOMPARE(find<GridView>("layout.samples")->currentIndex().row(), 4);

    find<QAction>("layout.sampleMenu.add")->trigger();
    QCOMPARE(sampleRow(5), (QStringList{"5", "Проба №5", "1"}));
    QCOMPARE(find<GridView>("layout.samples")->currentIndex().row(), 5);
    // The map keeps the last fill until "Заполнить".
    QCOMPARE(wellsOf(m_project->plateLayout()).size(), 8);
}

void TestLayoutWindow::deleteRow_data()
{
    // clang-format off
    QTest::addColumn<int>("rows");    // sample rows before
    QTest::addColumn<int>("current"); // the grid's current row
    QTest::addColumn<QString>("how");
    QTest::addColumn<QStringList>("names");      // afterwards, rows 1..
    QTest::addColumn<QStringList>("quantities"); // afterwards, rows 1..
    QTest::newRow("row 2 of 4") << 4 << 2 << "layout.removeSample" << QStringList{"a", "c", "d"} << QStringList{"11", "13", "14"};
    QTest::newRow("row 2 of 4 by the menu") << 4 << 2 << "layout.sampleMenu.remove" << QStringList{"a", "c", "d"} << QStringList{"11", "13", "14"};
    QTest::newRow("last row") << 4 << 4 << "layout.removeSample" << QStringList{"a", "b", "c"} << QStringList{"11", "12", "13"};
    QTest::newRow("first of two") << 2 << 1 << "layout.removeSample" << QStringList{"b"} << QStringList{"12"};
    QTest::newRow("the only row is reset") << 1 << 1 << "layout.removeSample" << QStringList{"Проба крови №1"} << QStringList{"1"};
    QTest::newRow("the only row by the menu") << 1 << 1 << "layout.sampleMenu.remove" << QStringList{"Проба крови №1"} << QStringList{"1"};
    // clang-format on
}

void TestLayoutWindow::deleteRow()
{
    QFETCH(int, rows);
    QFETCH(int, current);
    QFETCH(QString, how);
    QFETCH(QStringList, names);
    QFETCH(QStringList, quantities);

    TextGrid& samples = m_project->sampleTable();
    for (int row = 1; row <= rows; ++row) {
        if (row > 1)
            click("layout.addSample");
        samples.setCell(1, row, QString(QChar(u'a' + row - 1)));
        samples.setCell(2, row, QString::number(10 + row));
    }
    auto* list = find<GridView>("layout.samples");
    list->setCurrentIndex(samples.index(current, 2));

    if (how == QLatin1String("layout.sampleMenu.remove"))
        find<QAction>("layout.sampleMenu.remove")->trigger();
    else
        click("layout.removeSample");

    QCOMPARE(samples.rows(), int(names.size()) + 1);
    for (int row = 1; row <= names.size(); ++row)
        QCOMPARE(sampleRow(row), (QStringList{QString::number(row), names.at(row - 1), quantities.at(row - 1)}));
    QCOMPARE(sampleRow(0), (QStringList{"№", "Проба ", "Кол-во"}));
}

void TestLayoutWindow::selectWellOnMap()
{
    const QStringList before = wellsOf(m_project->plateLayout());
    clickWell(QStringLiteral("F7"));
    QCOMPARE(find<QComboBox>("layout.firstWellRow")->currentText(), QStringLiteral("F"));
    QCOMPARE(find<QComboBox>("layout.firstWellColumn")->currentText(), QStringLiteral("7"));
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("F"));
    QCOMPARE(m_project->firstColumn().text(), QStringLiteral("7"));
    QCOMPARE(wellsOf(m_project->plateLayout()), before); // choosing changes nothing on the map

    click("layout.fill");
    QCOMPARE(wellsOf(m_project->plateLayout()),
             sortedWells({"F7=S+", "F8=S+!", "G7=R+", "G8=R+!", "H7=C-", "H8=C-!", "A9=1.1", "A10=1.1"}));
    // The first well stays chosen after the fill.
    QCOMPARE(find<GridView>("layout.plate")->currentIndex(), m_project->plateLayout().index(6, 7));

    // The arrow keys move the first well; the header row and column cannot be chosen.
    auto* map = find<GridView>("layout.plate");
    map->setFocus();
    QTest::keyClick(map, Qt::Key_Down);
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("G"));
    clickWell(QStringLiteral("A1"));
    QTest::keyClick(map, Qt::Key_Up);
    QTest::keyClick(map, Qt::Key_Left);
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("A"));
    QCOMPARE(m_project->firstColumn().text(), QStringLiteral("1"));
    QTest::mouseClick(map->viewport(), Qt::LeftButton, {}, map->visualRect(map->model()->index(0, 5)).center());
    QTest::mouseClick(map->viewport(), Qt::LeftButton, {}, map->visualRect(map->model()->index(4, 0)).center());
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("A"));
    QCOMPARE(m_project->firstColumn().text(), QStringLiteral("1"));
    QVERIFY(m_dialogs->errors.isEmpty());
}

// The boxes change the first well and show it on the map, never writing into it.
void TestLayoutWindow::firstWellBoxes()
{
    const QStringList before = wellsOf(m_project->plateLayout());
    auto* firstRow = find<QComboBox>("layout.firstWellRow");
    auto* firstColumn = find<QComboBox>("layout.firstWellColumn");
    firstRow->setFocus();
    QTest::keyClick(firstRow, Qt::Key_Down);
    QTest::keyClick(firstRow, Qt::Key_Down);
    firstColumn->setCurrentIndex(11);
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("C"));
    QCOMPARE(m_project->firstColumn().text(), QStringLiteral("12"));
    QCOMPARE(wellsOf(m_project->plateLayout()), before);
    QCOMPARE(find<GridView>("layout.plate")->currentIndex(), m_project->plateLayout().index(3, 12));

    find<QComboBox>("layout.repetitions")->setCurrentIndex(1);
    QCOMPARE(m_project->repetitions().text(), QStringLiteral("02"));
    click("layout.fill");
    // Kit 01 vertical from C12: the second wells (column 13) are lost.
    QCOMPARE(wellsOf(m_project->plateLayout()), sortedWells({"C12=S+", "D12=R+", "E12=C-", "F12=1.1", "G12=1.1"}));
}

void TestLayoutWindow::boxesIgnoreTyping()
{
    for (const char* name : {"layout.firstWellRow", "layout.firstWellColumn", "layout.repetitions"}) {
        auto* box = find<QComboBox>(name);
        const QString before = box->currentText();
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("F73b 02"));
        QCOMPARE(box->currentText(), before);
    }
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("A"));
    QCOMPARE(m_project->firstColumn().text(), QStringLiteral("1"));
    QCOMPARE(m_project->repetitions().text(), QStringLiteral("01"));
}

void TestLayoutWindow::lettersQuantity()
{
    click("layout.addSample");
    click("layout.addSample");
    typeIntoSampleCell(2, 1, QStringLiteral("2"));
    typeIntoSampleCell(2, 2, QStringLiteral("abc"));
    QCOMPARE(m_project->sampleTable().cell(2, 2), QStringLiteral("abc"));

    click("layout.fill");
    QCOMPARE(m_dialogs->errors, QStringList{"'abc' is not a valid integer value"});
    // The controls and the samples before the bad row stay.
    QCOMPARE(wellsOf(m_project->plateLayout()), sortedWells({"A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!",
                                                             "D1=1.1", "D2=1.1", "E1=1.2", "E2=1.2"}));
}

void TestLayoutWindow::kitChoiceAndOrientation()
{
    auto* horizontal = find<QRadioButton>("layout.horizontal");
    auto* vertical = find<QRadioButton>("layout.vertical");

    // Kit 04: the material box appears; the horizontal rule runs when chosen.
    m_project->selectKit(Kit(3));
    QVERIFY(!find<QGroupBox>("layout.material")->isHidden());
    QVERIFY(!horizontal->isHidden());
    QTest::mouseClick(horizontal, Qt::LeftButton);
    QVERIFY(m_project->horizontal());
    click("layout.fill");
    QCOMPARE(wellsOf(m_project->plateLayout()), sortedWells({"A1=C+", "A2=C+", "A3=C-", "A4=C-", "A5=1.1"}));

    // Kit 05: the horizontal choice is hidden and the vertical rule always runs.
    m_project->selectKit(Kit(4));
    QVERIFY(horizontal->isHidden());
    QVERIFY(vertical->isChecked());
    QVERIFY(!find<QGroupBox>("layout.material")->isHidden());
    m_project->setHorizontal(true); // as a model caller could
    click("layout.fill");
    QCOMPARE(wellsOf(m_project->plateLayout()),
             sortedWells({"A1=C+", "A2=C+!", "B1=C+", "B2=C+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1"}));

    // Back to kit 02: horizontal offered again, unchecked; the material box hides.
    m_project->selectKit(Kit(1));
    QVERIFY(!horizontal->isHidden());
    QVERIFY(!horizontal->isChecked());
    QVERIFY(find<QGroupBox>("layout.material")->isHidden());

    QTest::mouseClick(find<QRadioButton>("layout.milk"), Qt::LeftButton);
    QCOMPARE(m_project->material(), Material::Milk);
    QVERIFY(m_dialogs->errors.isEmpty());
}

// What others write into the project (a file opened) shows in the controls.
void TestLayoutWindow::followsProject()
{
    m_project->setPlateName(QStringLiteral("Планшет 7"));
    m_project->setFirstWell({8, 12});
    m_project->setRepetitions(3);
    m_project->setControlCount(2);
    m_project->setHorizontal(true);
    m_project->setMaterial(Material::Milk);
    QCOMPARE(find<QLineEdit>("layout.plateName")->text(), QStringLiteral("Планшет 7"));
    QCOMPARE(find<QComboBox>("layout.firstWellRow")->currentText(), QStringLiteral("H"));
    QCOMPARE(find<QComboBox>("layout.firstWellColumn")->currentText(), QStringLiteral("12"));
    QCOMPARE(find<QComboBox>("layout.repetitions")->currentText(), QStringLiteral("03"));
    QVERIFY(find<QRadioButton>("layout.horizontal")->isChecked());
    QVERIFY(find<QRadioButton>("layout.milk")->isChecked());
    QCOMPARE(find<GridView>("layout.plate")->currentIndex(), m_project->plateLayout().index(8, 12));
    // Following the project writes nothing back.
    QCOMPARE(m_project->controlCount().text(), QStringLiteral("2"));
    QCOMPARE(m_project->repetitions().text(), QStringLiteral("03"));

    // A value off the list (only a file can bring one) is shown as it is.
    m_project->setRepetitions(Repetitions::fromText(QStringLiteral("7")));
    QCOMPARE(find<QComboBox>("layout.repetitions")->currentIndex(), -1);
    QCOMPARE(find<QComboBox>("layout.repetitions")->placeholderText(), QStringLiteral("7"));
    QCOMPARE(m_project->repetitions().text(), QStringLiteral("7"));

    // A plate name typed in goes into the project.
    auto* edit = find<QLineEdit>("layout.plateName");
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("B-12 x"));
    QCOMPARE(m_project->plateName(), QStringLiteral("B-12 x"));

    // A reset of the map (a file opened) keeps the first well shown.
    m_project->fillEmptyLayout();
    QCOMPARE(find<GridView>("layout.plate")->currentIndex(), m_project->plateLayout().index(8, 12));
}

void TestLayoutWindow::keyboardOrder()
{
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    find<GridView>("layout.samples")->setFocus();
    QStringList order;
    for (int i = 0; i < 10; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        order.append(QApplication::focusWidget()->objectName());
    }
    // The material group is hidden for kit 01; the two orientation buttons are
    // one stop, between which the arrow keys move.
    QCOMPARE(order, (QStringList{"layout.addSample", "layout.removeSample", "layout.plate", "layout.plateName",
                                 "layout.firstWellRow", "layout.firstWellColumn", "layout.repetitions",
                                 "layout.horizontal", "layout.fill", "layout.samples"}));
}

// The sample list's columns widen by dragging their borders in the header row.
void TestLayoutWindow::resizeSampleColumns()
{
    auto* list = find<GridView>("layout.samples");
    const int quantityWidth = list->columnWidth(2);
    const QPoint border(list->columnViewportPosition(1) + list->columnWidth(1),
                        list->visualRect(list->model()->index(0, 1)).center().y());
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, border);
    QTest::mouseMove(list->viewport(), border + QPoint(20, 0));
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, border + QPoint(20, 0));
    QCOMPARE(list->columnWidth(1), 137);
    QCOMPARE(list->columnWidth(0), 30);
    QCOMPARE(list->columnWidth(2), quantityWidth);
    // Clicking the header row chooses no cell.
    QCOMPARE(list->currentIndex(), list->model()->index(1, 1));
}

// The map's columns widen to the widest text they hold, so that no control
// or sample text is elided or cut; the window grows to show the whole map.
void TestLayoutWindow::plateMapShowsWholeTexts_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::newRow("C+!") << "C+!";
    QTest::newRow("S+!") << "S+!";
    QTest::newRow("R+!") << "R+!";
    QTest::newRow("2.13") << "2.13";
    QTest::newRow("2.92") << "2.92";
    QTest::newRow("10.12") << "10.12";
    // clang-format on
}

void TestLayoutWindow::plateMapShowsWholeTexts()
{
    QFETCH(QString, text);
    auto* map = find<GridView>("layout.plate");
    TextGrid& plate = m_project->plateLayout();
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            plate.setCell(col, row, text);
    QCoreApplication::processEvents();

    // The item view's text margins: 3 pixels on either side.
    const int needed = QFontMetrics(map->font()).horizontalAdvance(text) + 6;
    for (int col = 1; col <= 12; ++col) {
        const int width = map->visualRect(plate.index(5, col)).width();
        const QString where = QStringLiteral("column %1: %2 px for %3 px").arg(col).arg(width).arg(needed);
        QVERIFY2(width >= needed, qPrintable(where));
    }
    QVERIFY(!map->horizontalScrollBar()->isVisible());
    QCOMPARE(map->columnViewportPosition(12) + map->columnWidth(12) + 1, map->viewport()->width());
    const QRect inWindow(map->mapTo(m_window.get(), QPoint(0, 0)), map->size());
    QVERIFY(QRect(QPoint(0, 0), m_window->size()).contains(inWindow));

    // A fill with short texts narrows the columns again, never below 19 pixels.
    click("layout.fill");
    QCOMPARE(map->columnWidth(7), 19);
}

// The sample list's header texts read whole, also once the list scrolls.
void TestLayoutWindow::sampleListShowsWholeHeaders()
{
    for (int i = 0; i < 30; ++i)
        click("layout.addSample");
    auto* list = find<GridView>("layout.samples");
    QVERIFY(list->verticalScrollBar()->isVisible());
    QVERIFY(!list->horizontalScrollBar()->isVisible());
    const QFontMetrics metrics(list->font());
    const QStringList headers{"№", "Проба ", "Кол-во"};
    for (int col = 0; col < 3; ++col) {
        const int width = list->visualRect(list->model()->index(0, col)).width();
        QVERIFY2(width >= metrics.horizontalAdvance(headers[col]) + 6, qPrintable(headers[col]));
    }
    QCOMPARE(list->columnWidth(0), 30);
    QCOMPARE(list->columnWidth(1), 117);
    QVERIFY(list->columnViewportPosition(2) + list->columnWidth(2) <= list->viewport()->width());
    QVERIFY(list->mapTo(m_window.get(), QPoint(list->width(), 0)).x() <= m_window->width());
}

// "Удалить" acts on the row that holds the focus, not on the row under the
// mouse, so a right click opens the menu without moving the current cell.
void TestLayoutWindow::contextMenuKeepsCurrentRow()
{
    click("layout.addSample");
    click("layout.addSample");
    auto* list = find<GridView>("layout.samples");
    list->setCurrentIndex(list->model()->index(1, 2));
    const QPoint row3 = list->visualRect(list->model()->index(3, 1)).center();
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row3);
    // The platform follows a right press with a context menu event; the test sends it itself.
    QContextMenuEvent request(QContextMenuEvent::Mouse, row3, list->viewport()->mapToGlobal(row3));
    QApplication::sendEvent(list->viewport(), &request);
    auto* menu = find<QMenu>("layout.sampleMenu");
    QVERIFY(menu->isVisible());
    menu->hide();
    QCOMPARE(list->currentIndex().row(), 1);
    find<QAction>("layout.sampleMenu.remove")->trigger();
    QCOMPARE(sampleRow(1), (QStringList{"1", "Проба №2", "1"}));
    QCOMPARE(sampleRow(2), (QStringList{"2", "Проба №3", "1"}));
}

QTEST_MAIN(TestLayoutWindow)
#include "tst_layoutwindow.moc"
