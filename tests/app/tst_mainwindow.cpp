#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "gui/layout/projectwindow.h"
#include "core/model/errors.h"
#include "core/kits/catalogue.h"
#include "core/model/project.h"
#include "gui/reader/readerlogwindow.h"
#include "gui/reader/portdialog.h"
#include "support/recordingdialogs.h"
#include "support/resultwells.h"
#include "support/typing.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollBar>
#include <QTest>

#include <memory>

using namespace pleq;

class TestMainWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void startUp();
    void menuTree_data();
    void menuTree();
    void newProjectResetsLabelsOnly();
    void inertItems_data();
    void inertItems();
    void aboutBox();
    void kitChoice();
    void kitBoxIgnoresTyping();
    void executorName();
    void closingEndsAtOnce();
    void errorBox_data();
    void errorBox();
    void commandBoundary();
    void framesFollowGrids();

private:
    QAction* action(const char* name) const { return m_window->findChild<QAction*>(QLatin1String(name)); }

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void TestMainWindow::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestMainWindow::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
}

void TestMainWindow::startUp()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Проект [01 - Набор «Зорвал-SR»]"));
    QVERIFY(m_dialogs->errors.isEmpty());

    // The three working windows tile the frame: parameters top left, layout
    // below them, calculation to their right.
    const QList<QMdiSubWindow*> windows = m_window->findChild<QMdiArea*>()->subWindowList();
    QCOMPARE(windows.size(), 3);
    QCOMPARE(windows.at(0)->widget()->objectName(), QStringLiteral("projectWindow"));
    QCOMPARE(windows.at(1)->widget()->objectName(), QStringLiteral("layoutWindow"));
    QCOMPARE(windows.at(2)->widget()->objectName(), QStringLiteral("calcWindow"));
    QCOMPARE(windows.at(0)->pos(), QPoint(0, 0));
    QCOMPARE(windows.at(1)->pos(), QPoint(0, windows.at(0)->height()));
    QCOMPARE(windows.at(2)->pos(), QPoint(windows.at(0)->width(), 0));
    QVERIFY(windows.at(0)->windowFlags() & Qt::FramelessWindowHint);

    QVERIFY(m_window->readerLogWindow() && !m_window->readerLogWindow()->isVisible());
    QVERIFY(m_window->portDialog() && !m_window->portDialog()->isVisible());
    QCOMPARE(m_window->readerLogWindow()->windowTitle(), QStringLiteral("Обмен с ридером"));
    QCOMPARE(m_window->portDialog()->windowTitle(), QStringLiteral("Настройка ридера"));
    QCOMPARE(m_session->reader().portNumber(), 0);

    // A closed working window is only minimised and keeps its content.
    windows.at(1)->close();
    QVERIFY(windows.at(1)->isMinimized());
    QCOMPARE(m_window->findChild<QMdiArea*>()->subWindowList().size(), 3);
}

void TestMainWindow::menuTree_data()
{
    // clang-format off
    QTest::addColumn<QString>("menu");
    QTest::addColumn<int>("position"); // in the menu bar
    QTest::addColumn<QString>("menuTitle");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("Файл") << "menu.file" << 0 << "Файл"
                          << QStringList{"menu.file.new", "menu.file.open", "menu.file.save", "menu.file.import",
                                         "menu.file.exportResults", "menu.file.print", "menu.file.pdf"}
                          << QStringList{"Новый", "Открыть ...", "Сохранить ...", "Импорт ...", "Экспорт результатов ...", "Печать ...", "Сохранить как PDF ..."};
    QTest::newRow("Настройки") << "menu.settings" << 1 << "Настройки"
                               << QStringList{"menu.settings.reader", "menu.settings.parameters"}
                               << QStringList{"РИДЕР ...", "Параметры"};
    QTest::newRow("Помощь") << "menu.help" << 2 << "Помощь"
                            << QStringList{"menu.help.about"}
                            << QStringList{"О программе ..."};
    QTest::newRow("Архив") << "menu.archive" << 3 << "Архив"
                           << QStringList{"menu.archive.store", "menu.archive.journal", "menu.archive.qc", "menu.archive.location"}
                           << QStringList{"В архив", "Журнал планшетов ...", "Контроль качества ...", "Место архива ..."};
    // clang-format on
}

void TestMainWindow::menuTree()
{
    QFETCH(QString, menu);
    QFETCH(int, position);
    QFETCH(QStringList, items);
    QFETCH(QStringList, texts);
    auto* m = m_window->findChild<QMenu*>(menu);
    QVERIFY(m);
    QTEST(m->title(), "menuTitle");
    const QList<QAction*> actions = m->actions();
    QCOMPARE(actions.size(), items.size());
    for (int i = 0; i < actions.size(); ++i) {
        QCOMPARE(actions.at(i)->objectName(), items.at(i));
        QCOMPARE(actions.at(i)->text(), texts.at(i));
        QVERIFY(actions.at(i)->isEnabled());
    }
    // The menus stand in the menu bar in this order; "Правка" (tst_undomenu) last.
    const QList<QAction*> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 5);
    QCOMPARE(bar.at(position)->menu(), m);
}

void TestMainWindow::newProjectResetsLabelsOnly()
{
    m_project->setLabelText(Label::s0, QStringLiteral("S+  = 0,3"));
    m_project->setLabelColor(Label::ot1, LabelColor::Green);
    test::setResult(*m_project, 4, 1, 0.95, Verdict::Negative);
    m_project->densityTable().setCell(4, 1, QStringLiteral("0,95"));
    m_project->setExecutor(QStringLiteral("Иванова"));
    const QStringList layout = m_project->plateLayout().columnMajorTexts();

    action("menu.file.new")->trigger();

    QCOMPARE(m_project->label(Label::s0).text, QStringLiteral("-"));
    QCOMPARE(m_project->label(Label::ot1).color, LabelColor::Green);
    QCOMPARE(m_project->resultWells().at(4, 1).verdict, Verdict::Negative);
    QCOMPARE(m_project->densityTable().cell(4, 1), QStringLiteral("0,95"));
    QCOMPARE(m_project->executor(), QStringLiteral("Иванова"));
    QCOMPARE(m_project->plateLayout().columnMajorTexts(), layout);
    QCOMPARE(m_window->windowTitle(), m_project->caption());
}

void TestMainWindow::inertItems_data()
{
    // clang-format off
    QTest::addColumn<QString>("item");
    QTest::newRow("Параметры") << "menu.settings.parameters";
    // clang-format on
}

void TestMainWindow::inertItems()
{
    QFETCH(QString, item);
    m_project->setLabelText(Label::s1, QStringLiteral("x"));
    const QString title = m_window->windowTitle();
    const QStringList layout = m_project->plateLayout().columnMajorTexts();
    m_window->findChild<QAction*>(item)->trigger();
    QCOMPARE(m_project->label(Label::s1).text, QStringLiteral("x"));
    QCOMPARE(m_project->plateLayout().columnMajorTexts(), layout);
    QCOMPARE(m_window->windowTitle(), title);
    QVERIFY(m_dialogs->errors.isEmpty());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

// "О программе ...": the name, the version `pleq --version` prints, the Qt
// version, the licence and the archive's place, in one message box.
void TestMainWindow::aboutBox()
{
    qputenv("PLEQ_ARCHIVE", "/srv/pleq/archive.sqlite");
    action("menu.help.about")->trigger();
    qunsetenv("PLEQ_ARCHIVE");
#ifdef Q_OS_WIN
    const QString archiveShown = QStringLiteral("Архив: \\srv\\pleq\\archive.sqlite"); // native separators
#else
    const QString archiveShown = QStringLiteral("Архив: /srv/pleq/archive.sqlite");
#endif
    QCOMPARE(m_dialogs->messages,
             QStringList{QStringLiteral("Pleq, версия " PLEQ_PROJECT_VERSION "\nQt " QT_VERSION_STR "\n\n"
                                        "Лицензия: © 2026 разработчики Pleq, все права защищены. Pleq сделан для "
                                        "лаборатории, которая им пользуется: там его можно устанавливать и "
                                        "использовать, а передавать другим — только с письменного разрешения "
                                        "правообладателей.\n\n")
                         + archiveShown});
    QVERIFY(m_dialogs->errors.isEmpty());
    QVERIFY(QApplication::activeModalWidget() == nullptr);
}

void TestMainWindow::kitChoice()
{
    auto* box = m_window->projectWindow()->findChild<QComboBox*>(QStringLiteral("project.kit"));
    QVERIFY(box);
    QCOMPARE(box->count(), 5);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(box->itemText(i), kitRows().at(i));
    QVERIFY(!box->isEditable());

    m_project->setHorizontal(true);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(m_project->kitIndex(), 1);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Проект [02 - Набор «Зорвал-К»]"));
    QVERIFY(!m_project->horizontal());

    // A kit chosen through the model (as opening a file does) shows in the box too.
    m_project->selectKit(Kit(4));
    QCOMPARE(box->currentIndex(), 4);
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Проект [05 - (Верификация) Набор «Тальвик»]"));
}

void TestMainWindow::kitBoxIgnoresTyping()
{
    auto* box = m_window->projectWindow()->findChild<QComboBox*>(QStringLiteral("project.kit"));
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("05 "));
    test::typeText(box, QStringLiteral("Тальвик"));
    QCOMPARE(box->currentIndex(), 0);
    QCOMPARE(m_project->kitIndex(), 0);
}

void TestMainWindow::executorName()
{
    auto* edit = m_window->projectWindow()->findChild<QLineEdit*>(QStringLiteral("project.executor"));
    QVERIFY(edit);
    QVERIFY(edit->text().isEmpty());
    test::typeText(edit, QStringLiteral("Петров П. П. "));
    QCOMPARE(m_project->executor(), QStringLiteral("Петров П. П. "));
}

void TestMainWindow::closingEndsAtOnce()
{
    m_project->densityTable().setCell(1, 1, QStringLiteral("0,5")); // unsaved work
    QVERIFY(m_window->close());
    QVERIFY(m_dialogs->messages.isEmpty());
    QVERIFY(m_dialogs->errors.isEmpty());
}

void TestMainWindow::errorBox_data()
{
    // clang-format off
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("conversion") << "'abc' is not a valid integer value" << "'abc' is not a valid integer value.";
    QTest::newRow("file") << "File not found" << "File not found.";
    QTest::newRow("ends its sentence") << "Line 2 holds no kit." << "Line 2 holds no kit.";
    // clang-format on
}

void TestMainWindow::errorBox()
{
    QFETCH(QString, message);
    std::unique_ptr<QMessageBox> box(makeErrorBox(m_window.get(), message));
    QTEST(box->text(), "shown");
    QCOMPARE(box->windowTitle(), QStringLiteral("Pleq"));
    QCOMPARE(box->icon(), QMessageBox::Critical);

    std::unique_ptr<QMessageBox> validity(makeMessageBox(m_window.get(), QStringLiteral("a\n\rb")));
    QCOMPARE(validity->windowTitle(), QStringLiteral("Pleq"));
    QCOMPARE(validity->text(), QStringLiteral("a\n\rb"));
    QCOMPARE(validity->standardButtons(), QMessageBox::Ok);
}

void TestMainWindow::commandBoundary()
{
    // An error ends the command where it happens and keeps what it had changed.
    runCommand(m_window.get(), [&] {
        m_project->setExecutor(QStringLiteral("before"));
        throw notAnInteger(QStringLiteral("x"));
    });
    QCOMPARE(m_dialogs->errors, QStringList{QStringLiteral("'x' is not a valid integer value")});
    QCOMPARE(m_project->executor(), QStringLiteral("before"));
    QVERIFY(m_window->isVisible()); // and the application goes on
}

// A working window widened for its grids' texts keeps its frame around it,
// pushes the calculation window along instead of sliding under it, and
// narrows with its texts again.
void TestMainWindow::framesFollowGrids()
{
    const QList<QMdiSubWindow*> windows = m_window->findChild<QMdiArea*>()->subWindowList();
    QMdiSubWindow* layoutFrame = windows.at(1);
    QMdiSubWindow* calculationFrame = windows.at(2);
    const QSize layoutBorder = layoutFrame->size() - layoutFrame->widget()->size();
    const QSize calculationBorder = calculationFrame->size() - calculationFrame->widget()->size();
    const QRect calculationPlace = calculationFrame->geometry();
    const QStringList layout = m_project->plateLayout().columnMajorTexts();
    const QStringList densities = m_project->densityTable().columnMajorTexts();
    for (int col = 1; col <= 12; ++col) {
        m_project->plateLayout().setCell(col, 1, QStringLiteral("10.12"));
        m_project->densityTable().setCell(col, 1, QStringLiteral("0,22614"));
    }
    QCoreApplication::processEvents();

    QVERIFY(calculationFrame->width() > calculationPlace.width());
    QCOMPARE(layoutFrame->size() - layoutFrame->widget()->size(), layoutBorder);
    QCOMPARE(calculationFrame->size() - calculationFrame->widget()->size(), calculationBorder);
    QCOMPARE(calculationFrame->x(), layoutFrame->geometry().right() + 1);
    QCOMPARE(calculationFrame->y(), 0);
    // The widened calculation window is never cut unseen at the frame's edge:
    // the frame widens within its screen, and a scroll bar reaches the rest.
    auto* area = m_window->findChild<QMdiArea*>();
    QVERIFY2(
        calculationFrame->geometry().right() < area->viewport()->width() || area->horizontalScrollBar()->isVisible(),
        qPrintable(
            QStringLiteral("%1 past %2").arg(calculationFrame->geometry().right()).arg(area->viewport()->width())));

    m_project->plateLayout().assign(9, layout);
    m_project->densityTable().assign(9, densities);
    QCoreApplication::processEvents();
    QCOMPARE(calculationFrame->geometry(), calculationPlace);
    QCOMPARE(layoutFrame->size() - layoutFrame->widget()->size(), layoutBorder);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
