#include "gui/app/mainwindow.h"
#include "gui/calc/calculationwindow.h"
#include "gui/commands/settingcommands.h"
#include "gui/commands/windowedits.h"
#include "gui/reader/portdialog.h"
#include "core/files/projectfile.h"
#include "core/reader/portnames.h"
#include "core/reader/serialport.h"
#include "reader/lockstep.h"
#include "session/session.h"
#include "support/appsession.h"
#include "support/recordingdialogs.h"
#include "tools/reader-sim/readersim.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;

Q_DECLARE_METATYPE(sim::Options::Mode)

namespace {

// The simulated reader behind a session's link, in step with it (lockstep.h).
struct SimulatedReader {
    sim::ReaderSimulator reader;
    std::unique_ptr<Lockstep> lockstep;

    SimulatedReader(ReaderLink& link, sim::Options options)
        : reader(options)
    {
        const bool answers = options.mode != sim::Options::Mode::Silent;
        lockstep = std::make_unique<Lockstep>(
            link, reader, [](int ms) { return ms / 5; }, answers);
        const HandOverPoster poster = answers ? lockstep->poster() : qtHandOver();
        link.setPortOpener([this, poster](int number) {
            return std::make_unique<SerialPort>(QString::fromStdString(reader.devicePath()), comPortName(number),
                                                ReaderLink::BaudRate, poster);
        });
        reader.start();
    }
};

sim::Options readerOf(sim::Options::Mode mode)
{
    sim::Options options;
    options.mode = mode;
    options.hangUpAfterColumns = 6;
    return options;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unread)");
}

QPushButton* buttonOf(QWidget* window, const QString& text)
{
    for (QPushButton* button : window->findChildren<QPushButton*>())
        if (button->text() == text)
            return button;
    return nullptr;
}

} // namespace

class TestSession : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void readerWithoutWindows_data();
    void readerWithoutWindows();
    void windowOverTheSession();
    void controlsFollowTheLink_data();
    void controlsFollowTheLink();
    void portNumberOutsideTheProject_data();
    void portNumberOutsideTheProject();
};

void TestSession::readerWithoutWindows_data()
{
    QTest::addColumn<sim::Options::Mode>("mode");
    QTest::addColumn<bool>("stop");
    QTest::addColumn<AcquisitionEnd>("end");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("h12");
    QTest::addColumn<bool>("dataCame"); // the connection shown as established before its end
    // clang-format off
    QTest::newRow("whole plate")         << sim::Options::Mode::Normal << false << AcquisitionEnd::Data    << ""                        << "1.482" << "2.753" << true;
    QTest::newRow("reader hangs up")     << sim::Options::Mode::HangUp << false << AcquisitionEnd::Failed  << "Error writing port COM0" << "0,5"   << "0,5"   << true;
    QTest::newRow("stopped by the link") << sim::Options::Mode::Silent << true  << AcquisitionEnd::Stopped << ""                        << "0,5"   << "0,5"   << false;
    // clang-format on
}

void TestSession::readerWithoutWindows()
{
    // The session alone wires its parts: the link fills the session's
    // project, locks it, and the edit stack forgets the steps before the read.
    QFETCH(sim::Options::Mode, mode);
    QFETCH(bool, stop);
    QFETCH(AcquisitionEnd, end);
    QFETCH(QString, error);
    QFETCH(QString, a1);
    QFETCH(QString, h12);
    QFETCH(bool, dataCame);
    Session session;
    Project& project = session.project();
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            project.plateLayout().setCell(col, row, QStringLiteral("1.1"));
            project.densityTable().setCell(col, row, QStringLiteral("0,5"));
        }
    session.edits().edit(std::make_unique<ExecutorEdit>(project, QStringLiteral("Петров")));
    QCOMPARE(session.edits().count(), 1);

    SimulatedReader reader(session.reader(), readerOf(mode));
    QSignalSpy running(&session, &Session::readerAcquiringChanged);
    QSignalSpy connected(&session, &Session::readerConnectionChanged);
    QSignalSpy locks(&project, &Project::plateLockChanged);
    QSignalSpy ended(&session.reader(), &ReaderLink::finished);
    if (stop)
        reader.lockstep->inPause([&](int, int, int index) {
            if (index == 0)
                session.reader().stop();
        });
    QVERIFY(session.reader().start());
    QCOMPARE(session.edits().count(), 0);
    QVERIFY(ended.wait(60000));

    QCOMPARE(ended.first().at(0).value<AcquisitionEnd>(), end);
    QCOMPARE(ended.first().at(1).toString(), error);
    QCOMPARE(running.first().at(0).toBool(), true);
    QCOMPARE(running.last().at(0).toBool(), false);
    QVERIFY(!connected.isEmpty());
    QCOMPARE(connected.first().at(0).toBool(), dataCame);
    QCOMPARE(connected.last().at(0).toBool(), false);
    QCOMPARE(locks.size(), 2);
    QCOMPARE(project.plateLocked(), false);
    QCOMPARE(project.densityTable().cell(1, 1), a1);
    QCOMPARE(project.densityTable().cell(12, 8), h12);
}

void TestSession::windowOverTheSession()
{
    // The window shows the session it is given and forwards to it; the
    // session outlives the window and keeps working without it.
    test::RecordingDialogs dialogs;
    const auto session = test::makeSession();
    {
        MainWindow window(*session);
        QCOMPARE(&window.edits(), &session->edits());
        QCOMPARE(&window.session(), &session->calculation());
        QCOMPARE(&window.archive(), &session->archive());
        QCOMPARE(window.windowTitle(), QStringLiteral("Проект [01 - Набор «Зорвал-SR»]"));

        // An edit of the session shows in the window, one of the window is the session's step.
        session->edits().edit(std::make_unique<KitChoice>(session->project(), Kit::K03));
        QCOMPARE(window.windowTitle(), QStringLiteral("Проект [03 - Набор «Кимрен»]"));
        QVERIFY(runEdit(window.edits(), &window, std::make_unique<KitChoice>(session->project(), Kit::K02)));
        QCOMPARE(session->edits().count(), 2);
        QCOMPARE(session->edits().undoText(), window.edits().undoText());
    }
    session->edits().undoStep();
    session->edits().undoStep();
    QCOMPARE(session->project().kit(), Kit::K01);
    QVERIFY(dialogs.errors.isEmpty());
}

void TestSession::controlsFollowTheLink_data()
{
    QTest::addColumn<sim::Options::Mode>("mode");
    QTest::addColumn<QStringList>("errors");
    QTest::addColumn<QString>("labelDuring");
    // clang-format off
    QTest::newRow("whole plate")     << sim::Options::Mode::Normal << QStringList{}                          << "Установлено";
    QTest::newRow("reader hangs up") << sim::Options::Mode::HangUp << QStringList{"Error writing port COM0"} << "Установлено";
    QTest::newRow("silent reader")   << sim::Options::Mode::Silent << QStringList{}                          << "Нет";
    // clang-format on
}

void TestSession::controlsFollowTheLink()
{
    // The acquisition started and (for the silent reader) stopped on the
    // session's link, not with the window's buttons: the buttons, the label
    // and the error box follow the link's signals.
    QFETCH(sim::Options::Mode, mode);
    QFETCH(QStringList, errors);
    QFETCH(QString, labelDuring);
    test::RecordingDialogs dialogs;
    const auto session = test::makeSession();
    MainWindow window(*session);
    window.show();
    CalculationWindow* calculation = window.calculationWindow();
    QPushButton* start = buttonOf(calculation, QStringLiteral("Получить данные"));
    QPushButton* stop = buttonOf(calculation, QStringLiteral("Прервать"));
    QLabel* label = calculation->connectionLabel();
    QVERIFY(start && stop && label);
    ReaderLink& link = session->reader();
    SimulatedReader reader(link, readerOf(mode));

    bool startDuring = true;
    bool stopDuring = false;
    QString labelSeen;
    reader.lockstep->inPause([&](int, int, int index) {
        // The third pass of the poll; the silent reader's first pause.
        if (index != (mode == sim::Options::Mode::Silent ? 0 : 7))
            return;
        startDuring = start->isEnabled();
        stopDuring = stop->isVisible();
        labelSeen = label->text();
        if (mode == sim::Options::Mode::Silent)
            link.stop();
    });
    QSignalSpy ended(&link, &ReaderLink::finished);
    QVERIFY(link.start());
    QVERIFY(!start->isEnabled());
    QVERIFY(stop->isVisible());
    QVERIFY(ended.wait(60000));

    QCOMPARE(startDuring, false);
    QCOMPARE(stopDuring, true);
    QCOMPARE(labelSeen, labelDuring);
    QCOMPARE(dialogs.errors, errors);
    QVERIFY(start->isEnabled());
    QVERIFY(stop->isHidden());
    QCOMPARE(label->text(), QStringLiteral("Нет"));
}

void TestSession::portNumberOutsideTheProject_data()
{
    QTest::addColumn<QString>("command"); // the menu item after the port was chosen
    QTest::addColumn<QString>("executor");
    QTest::addColumn<QString>("sameFileAs");
    // clang-format off
    QTest::newRow("Отменить") << "Отменить: Исполнитель" << ""       << "before.plq";
    QTest::newRow("Новый")    << "Новый"                 << "Петров" << "chosen.plq";
    QTest::newRow("Открыть")  << "Открыть ..."           << "Иванов" << "other.plq";
    // clang-format on
}

void TestSession::portNumberOutsideTheProject()
{
    // "Принять" of "РИДЕР ..." sets the reader link's port: no step of the
    // edit stack and nothing of the plate. Undo, a new project (which keeps
    // the executor) or another file leave it, a project saved after it holds
    // the bytes it held before, and a new session starts at 0.
    QFETCH(QString, command);
    QFETCH(QString, executor);
    QFETCH(QString, sameFileAs);
    test::RecordingDialogs dialogs;
    QTemporaryDir dir;
    const auto session = test::makeSession();
    MainWindow window(*session);
    Project& project = session->project();
    QCOMPARE(session->reader().portNumber(), 0);
    saveProject(project, dir.filePath(QStringLiteral("before.plq")));
    project.setExecutor(QStringLiteral("Иванов"));
    saveProject(project, dir.filePath(QStringLiteral("other.plq")));
    project.setExecutor(QString());
    QVERIFY(runEdit(session->edits(), &window, std::make_unique<ExecutorEdit>(project, QStringLiteral("Петров"))));
    saveProject(project, dir.filePath(QStringLiteral("chosen.plq")));

    PortDialog* dialog = window.portDialog();
    dialog->show();
    dialog->findChild<QComboBox*>()->setCurrentIndex(5);
    buttonOf(dialog, QStringLiteral("Принять"))->click();
    QCOMPARE(session->reader().portNumber(), 5);
    QCOMPARE(session->edits().count(), 1);
    QCOMPARE(project.executor(), QStringLiteral("Петров"));

    dialogs.nextFileNames = {dir.filePath(QStringLiteral("other.plq"))};
    int triggered = 0;
    for (QAction* action : window.findChildren<QAction*>())
        if (action->text() == command) {
            action->trigger();
            ++triggered;
        }
    QCOMPARE(triggered, 1);
    QCOMPARE(project.executor(), executor);
    QCOMPARE(session->edits().index(), 0);
    QCOMPARE(session->reader().portNumber(), 5);
    saveProject(project, dir.filePath(QStringLiteral("after.plq")));
    QCOMPARE(fileBytes(dir.filePath(QStringLiteral("after.plq"))), fileBytes(dir.filePath(sameFileAs)));
    QVERIFY(dialogs.errors.isEmpty());
    QCOMPARE(Session().reader().portNumber(), 0);
}

QTEST_MAIN(TestSession)
#include "tst_session.moc"
