#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"

#include <QLineEdit>
#include <QTest>

#include <memory>

using namespace pleq;

namespace {

// Records, with every error, whether the window the box stands over was shown.
class ShownCheckingDialogs : public test::RecordingDialogs
{
public:
    void error(QWidget* parent, const QString& message) override
    {
        overShownWindow.append(parent && parent->window()->isVisible());
        RecordingDialogs::error(parent, message);
    }
    QList<bool> overShownWindow;
};

} // namespace

// The project file named on the command line: opened once the window is shown,
// as "Открыть ..." opens it.
class TestStartFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void goodFileOpens();
    void badFileKeepsStartProject_data();
    void badFileKeepsStartProject();

private:
    std::unique_ptr<ShownCheckingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void TestStartFile::init()
{
    m_dialogs = std::make_unique<ShownCheckingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
    m_window->show();
}

void TestStartFile::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
}

void TestStartFile::goodFileOpens()
{
    m_window->openFileWhenShown(QStringLiteral(PLEQ_FIXTURES "/kit-02.plq"));
    QTRY_COMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("project.executor"))->text(),
                 QStringLiteral("Петрова Е. С."));
    QCOMPARE(m_project->plateName(), QStringLiteral("Планшет 12"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Проект [02 - Набор «Зорвал-К»]"));
    QCOMPARE(m_project->sampleTable().cell(1, 3), QStringLiteral("Тёлка «Зорька»"));
    QVERIFY(m_dialogs->errors.isEmpty());
}

void TestStartFile::badFileKeepsStartProject_data()
{
    // clang-format off
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("error");
    QTest::newRow("damaged kit line") << QStringLiteral(PLEQ_FIXTURES "/kit-09.plq")
                                      << QStringLiteral("Line 2 names no kit: '9' is not a kit number from 1 to 5");
    QTest::newRow("missing file") << QStringLiteral(PLEQ_FIXTURES "/no-such-project.plq")
                                  << QStringLiteral("File not found");
    // clang-format on
}

void TestStartFile::badFileKeepsStartProject()
{
    QFETCH(QString, path);
    QFETCH(QString, error);

    m_window->openFileWhenShown(path);
    // Not before the event loop runs: the box must come over the shown window.
    QVERIFY(m_dialogs->errors.isEmpty());
    QTRY_COMPARE(m_dialogs->errors, QStringList{error});
    QCOMPARE(m_dialogs->overShownWindow, QList<bool>{true});

    QCOMPARE(m_window->findChild<QLineEdit*>(QStringLiteral("project.executor"))->text(), QString());
    QCOMPARE(m_project->plateName(), QStringLiteral("Новый"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Проект [01 - Набор «Зорвал-SR»]"));
}

QTEST_MAIN(TestStartFile)
#include "tst_startfile.moc"
