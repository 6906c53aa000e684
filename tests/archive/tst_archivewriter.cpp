// "Протокол" and "В архив" write to the archive off the window's thread: with
// the archive's server halted or not answering, the window's event loop never
// stalls, what became of the run is told when the write ends, and a close
// while a write is under way waits for it, so that nothing is lost.

#include "archivefixture.h"
#include "pgtest.h"

#include "archive/queue.h"
#include "core/files/projectfile.h"
#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "archive/archivesession.h"
#include "archive/archivewriter.h"
#include "gui/calc/calculationwindow.h"
#include "support/recordingdialogs.h"
#include "support/stallmeter.h"
#include "support/texts.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>

#include <csignal>
#include <memory>

using namespace pleq;
using namespace pleq::test;

class TestArchiveWriter : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_previousDir;
    std::unique_ptr<OwnPgServer> m_server;
    qint64 m_postmaster = 0; // stopped with SIGSTOP: the server takes connections and never answers
    int m_cases = 0;

    QString newDatabase()
    {
        QString error;
        const QString address =
            freshPgDatabase(m_server->address(), QStringLiteral("writer_%1").arg(++m_cases), &error);
        if (address.isEmpty())
            qWarning("%s", qPrintable(error));
        return address;
    }
    // "halt": pg-test-server halt (refused at once); "freeze": the server
    // process stopped (each connection waits for the 5 s connect timeout).
    QString makeUnresponsive(const QString& how)
    {
        if (how == QLatin1String("halt"))
            return m_server->run(QStringLiteral("halt"));
        QFile pid(qEnvironmentVariable("PLEQ_TEST_PG_DIR") + QStringLiteral("-writer/data/postmaster.pid"));
        if (!pid.open(QIODevice::ReadOnly))
            return pid.errorString();
        m_postmaster = pid.readLine().trimmed().toLongLong();
        return ::kill(pid_t(m_postmaster), SIGSTOP) == 0 ? QString() : QStringLiteral("SIGSTOP failed");
    }
    QString makeResponsive()
    {
        if (m_postmaster != 0) {
            ::kill(pid_t(m_postmaster), SIGCONT);
            m_postmaster = 0;
            return {};
        }
        return m_server->run(QStringLiteral("resume"));
    }
    static void trigger(MainWindow& window, const char* name)
    {
        window.findChild<QAction*>(QLatin1String(name))->trigger();
    }
    static void pressProtocol(MainWindow& window)
    {
        window.calculationWindow()->findChild<QPushButton*>(QStringLiteral("calc.protocol"))->click();
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_server = std::make_unique<OwnPgServer>(qEnvironmentVariable("PLEQ_TEST_PG_DIR") + QStringLiteral("-writer"));
        const QString failure = m_server->run(QStringLiteral("start"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        m_previousDir = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.path())); // "Протокол" writes result.txt here
    }
    void cleanup()
    {
        QVERIFY(makeResponsive().isEmpty());
        qunsetenv("PLEQ_ARCHIVE");
        qunsetenv("PLEQ_ARCHIVE_QUEUE");
    }
    void cleanupTestCase()
    {
        QDir::setCurrent(m_previousDir);
        m_server.reset();
    }

    // Both commands with the server away: the protocol is written at once,
    // the window keeps running, the runs wait in the queue and each command
    // tells so when its write ends; once the server answers, "В архив" sends
    // them first and the chain holds all three in their order.
    void windowNeverWaits_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server halted") << "halt"
                                       << "сервер не отвечает. ";
        QTest::newRow("server not answering") << "freeze"
                                              << "сервер не ответил вовремя. ";
    }
    void windowNeverWaits()
    {
        QFETCH(QString, how);
        QFETCH(QString, reason);
        const QString server = newDatabase();
        QVERIFY(!server.isEmpty());
        const QString queue = m_dir.filePath(QStringLiteral("queue-%1.sqlite").arg(m_cases));
        qputenv("PLEQ_ARCHIVE", server.toUtf8());
        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toUtf8());
        QFile::remove(QStringLiteral("result.txt"));
        RecordingDialogs dialogs;
        const auto session = test::makeSession();
        Project& project = session->project();
        layKit02Plate(project, QStringLiteral("Планшет 1"), QStringLiteral("0,1"));
        MainWindow window(*session);
        window.calculationWindow()->calculate();
        dialogs.clear(); // its validity messages
        QVERIFY(makeUnresponsive(how).isEmpty());

        StallMeter meter;
        int clicked = 0;
        QByteArray clickedProject; // the project file as it stood at "В архив"
        QTimer::singleShot(30, &window, [&] {
            pressProtocol(window);
            ++clicked;
        });
        QTimer::singleShot(60, &window, [&] {
            project.setPlateName(QStringLiteral("Планшет 2"));
            clickedProject = writeProjectFile(project);
            trigger(window, "menu.archive.store");
            project.setPlateName(QStringLiteral("Планшет 3")); // after the click: not the run's
            ++clicked;
        });
        QTRY_VERIFY_WITH_TIMEOUT(clicked == 2 && window.archive().writer().pending() == 0, 30000);
        QVERIFY2(meter.longestMs() < 1000,
                 qPrintable(QStringLiteral("the event loop stalled %1 ms").arg(meter.longestMs())));
        QVERIFY(meter.ticks() > 5);

        QVERIFY(QFile::exists(QStringLiteral("result.txt")));
        QCOMPARE(dialogs.openedFiles, QStringList{"result.txt"});
        QCOMPARE(dialogs.messages, QStringList());
        QCOMPARE(dialogs.errors.size(), 2);
        const QString away = QStringLiteral("Сервер архива %1 недоступен: %2").arg(server, reason);
        const QString waits =
            QStringLiteral("Планшет поставлен в очередь (%1) и будет отправлен, когда сервер ответит.").arg(queue);
        QVERIFY2(dialogs.errors[0].startsWith(QStringLiteral("Протокол записан. ") + away),
                 qPrintable(dialogs.errors[0]));
        QVERIFY2(dialogs.errors[0].endsWith(waits), qPrintable(dialogs.errors[0]));
        QVERIFY2(dialogs.errors[1].startsWith(away), qPrintable(dialogs.errors[1]));
        QVERIFY2(dialogs.errors[1].endsWith(waits), qPrintable(dialogs.errors[1]));
        QCOMPARE(queuedRunCount(queue), 2);

        QVERIFY(makeResponsive().isEmpty());
        dialogs.clear();
        project.setPlateName(QStringLiteral("Планшет 4"));
        trigger(window, "menu.archive.store");
        QTRY_COMPARE_WITH_TIMEOUT(window.archive().writer().pending(), 0, 30000);
        QCOMPARE(dialogs.errors, QStringList());
        QCOMPARE(dialogs.messages,
                 QStringList{QStringLiteral("Планшет «Планшет 4» записан в архив %1 под номером 3.").arg(server)});
        QCOMPARE(queuedRunCount(queue), 0);
        Archive archive(ArchiveLocation::parse(server));
        QCOMPARE(archive.run(1)->record.plateName, QStringLiteral("Планшет 1"));
        QCOMPARE(archive.run(1)->record.protocol, fileBytes(QStringLiteral("result.txt")));
        QCOMPARE(archive.run(2)->record.plateName, QStringLiteral("Планшет 2"));
        QCOMPARE(archive.run(2)->record.projectFile, clickedProject);
        QCOMPARE(archive.verify().message, QStringLiteral("Все 3 записи архива целы."));
    }

    // A close while the write runs is put off: the window says why, keeps
    // running, tells the outcome and then closes. A window destroyed
    // meanwhile (no close) waits for the write all the same.
    void closeWaitsForTheWrite_data()
    {
        QTest::addColumn<bool>("close");
        QTest::newRow("closed") << true;
        QTest::newRow("destroyed") << false;
    }
    void closeWaitsForTheWrite()
    {
        QFETCH(bool, close);
        const QString server = newDatabase();
        QVERIFY(!server.isEmpty());
        const QString queue = m_dir.filePath(QStringLiteral("queue-%1.sqlite").arg(m_cases));
        qputenv("PLEQ_ARCHIVE", server.toUtf8());
        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toUtf8());
        RecordingDialogs dialogs;
        {
            // The application ends: its window, then the session under it.
            const auto session = test::makeSession();
            layKit02Plate(session->project(), QStringLiteral("Планшет 5"), QStringLiteral("0,1"));
            MainWindow window(*session);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            QVERIFY(makeUnresponsive(QStringLiteral("freeze")).isEmpty());
            pressProtocol(window);
            QCOMPARE(window.archive().writer().pending(), 1);
            if (close) {
                StallMeter meter;
                QVERIFY(!window.close());
                QVERIFY(window.isVisible());
                QCOMPARE(window.statusBar()->currentMessage(),
                         QStringLiteral("Идет запись в архив. Программа закроется, когда она закончится."));
                QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), 30000);
                QVERIFY2(meter.longestMs() < 1000,
                         qPrintable(QStringLiteral("the event loop stalled %1 ms").arg(meter.longestMs())));
                QCOMPARE(dialogs.errors.size(), 1);
                QVERIFY2(dialogs.errors[0].startsWith(
                             QStringLiteral("Протокол записан. Сервер архива %1 недоступен: ").arg(server)),
                         qPrintable(dialogs.errors[0]));
            }
        }
        QCOMPARE(queuedRunCount(queue), 1);
        QVERIFY(makeResponsive().isEmpty());
        Archive archive(ArchiveLocation::parse(server));
        QCOMPARE(sendQueued(archive, queue), 1);
        QCOMPARE(archive.run(1)->record.plateName, QStringLiteral("Планшет 5"));
    }
};

QTEST_MAIN(TestArchiveWriter)
#include "tst_archivewriter.moc"
