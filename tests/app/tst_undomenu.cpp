#include "core/files/projectfile.h"
#include "core/model/project.h"
#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "gui/layout/layoutwindow.h"
#include "support/projectstate.h"
#include "support/recordingdialogs.h"
#include "support/typing.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;

// "Правка": the undo and redo of the windows' edits, from the menu and its keys.
class TestUndoMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void menuAfterTheOthers();
    void stepsBackAndForth();
    void emptiedByNewAndOpen();
    void restsWhilePlateRead();

private:
    QAction* action(const char* name) const { return m_window->findChild<QAction*>(QLatin1String(name)); }
    template<typename T> T* layoutChild(const char* name) const
    {
        return m_window->layoutWindow()->findChild<T*>(QLatin1String(name));
    }
    QStringList texts() const { return {action("menu.edit.undo")->text(), action("menu.edit.redo")->text()}; }
    // Two steps: the plate name typed ("Стадо"), then "Заполнить" from well B1.
    void nameAndFill();

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void TestUndoMenu::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestUndoMenu::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
}

void TestUndoMenu::nameAndFill()
{
    auto* name = layoutChild<QLineEdit>("layout.plateName");
    name->setFocus();
    name->selectAll();
    test::typeText(name, QStringLiteral("Стадо"));
    m_project->setFirstWell({2, 1}); // no step: only the fill below
    layoutChild<QPushButton>("layout.fill")->click();
    QCOMPARE(m_project->plateLayout().cell(1, 2), QStringLiteral("S+"));
}

void TestUndoMenu::menuAfterTheOthers()
{
    const QList<QAction*> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 5);
    QMenu* menu = bar.last()->menu();
    QCOMPARE(menu->objectName(), QStringLiteral("menu.edit"));
    QCOMPARE(menu->title(), QStringLiteral("Правка"));
    QCOMPARE(menu->actions(), (QList<QAction*>{action("menu.edit.undo"), action("menu.edit.redo")}));
    QCOMPARE(texts(), (QStringList{"Отменить", "Повторить"}));
    QVERIFY(!action("menu.edit.undo")->isEnabled());
    QVERIFY(!action("menu.edit.redo")->isEnabled());
    QCOMPARE(action("menu.edit.undo")->shortcuts(), QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z"))});
    QCOMPARE(action("menu.edit.redo")->shortcuts(), (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
                                                                         QKeySequence(QStringLiteral("Ctrl+Y"))}));
}

// Each step named in the menu, undone and redone by the items and by the
// keys, also with the focus in the line edit typed into; the boxes follow.
void TestUndoMenu::stepsBackAndForth()
{
    const QStringList start = test::projectState(*m_project);
    nameAndFill();
    const QStringList filled = test::projectState(*m_project);
    QCOMPARE(texts(), (QStringList{"Отменить: Заполнить", "Повторить"}));

    action("menu.edit.undo")->trigger();
    QCOMPARE(m_project->plateLayout().cell(1, 1), QStringLiteral("S+"));
    QCOMPARE(m_project->plateName(), QStringLiteral("Стадо"));
    QCOMPARE(texts(), (QStringList{"Отменить: Наименование", "Повторить: Заполнить"}));

    auto* name = layoutChild<QLineEdit>("layout.plateName");
    QVERIFY(name->hasFocus());
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("Новый"));
    QCOMPARE(m_project->firstRow().text(), QStringLiteral("B")); // set outside the stack: stays
    m_project->setFirstWell({1, 1});
    QCOMPARE(test::projectState(*m_project), start);
    QCOMPARE(texts(), (QStringList{"Отменить", "Повторить: Наименование"}));
    QVERIFY(!action("menu.edit.undo")->isEnabled());

    QTest::keyClick(name, Qt::Key_Y, Qt::ControlModifier);
    QCOMPARE(name->text(), QStringLiteral("Стадо"));
    m_project->setFirstWell({2, 1});
    QTest::keyClick(name, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(test::projectState(*m_project), filled);
    QCOMPARE(texts(), (QStringList{"Отменить: Заполнить", "Повторить"}));
    QVERIFY(!action("menu.edit.redo")->isEnabled());
    QCOMPARE(m_dialogs->errors, QStringList());
}

void TestUndoMenu::emptiedByNewAndOpen()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plate.plq"));
    saveProject(*m_project, file);
    nameAndFill();
    action("menu.file.new")->trigger(); // "Новый"
    QVERIFY(!action("menu.edit.undo")->isEnabled());
    QCOMPARE(texts(), (QStringList{"Отменить", "Повторить"}));

    nameAndFill();
    action("menu.edit.undo")->trigger();
    m_dialogs->nextFileNames = {file};
    action("menu.file.open")->trigger(); // "Открыть ..."
    QCOMPARE(m_project->plateName(), QStringLiteral("Новый"));
    QCOMPARE(texts(), (QStringList{"Отменить", "Повторить"}));
    QVERIFY(!action("menu.edit.undo")->isEnabled());
    QVERIFY(!action("menu.edit.redo")->isEnabled());
    QCOMPARE(m_dialogs->errors, QStringList());
}

// While the reader fills the plate nothing is undone: the items rest, the
// keys change nothing, and the steps before the read are gone after it.
void TestUndoMenu::restsWhilePlateRead()
{
    nameAndFill();
    m_project->setPlateLocked(true);
    QVERIFY(!action("menu.edit.undo")->isEnabled());
    QVERIFY(!action("menu.edit.redo")->isEnabled());
    const QStringList locked = test::projectState(*m_project);
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    action("menu.edit.undo")->trigger();
    QCOMPARE(test::projectState(*m_project), locked);

    m_project->setPlateLocked(false);
    QCOMPARE(texts(), (QStringList{"Отменить", "Повторить"}));
    QVERIFY(!action("menu.edit.undo")->isEnabled());
    QCOMPARE(m_dialogs->errors, QStringList());
}

QTEST_MAIN(TestUndoMenu)
#include "tst_undomenu.moc"
