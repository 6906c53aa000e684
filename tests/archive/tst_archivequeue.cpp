// The local queue of a PostgreSQL archive: a run the server does not take
// waits in it, the protocol is written all the same, and the queued runs go
// to the server first when it answers again, in their order, each once.

#include "archivefixture.h"
#include "pgtest.h"

#include "archive/operations.h"
#include "archive/queue.h"
#include "core/files/projectfile.h"
#include "support/clirun.h"
#include "support/texts.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

using namespace pleq;
using namespace pleq::test;

namespace {

// Nothing listens on port 1: the connection is refused at once.
const QString DownServer = QStringLiteral("postgresql://pleq@127.0.0.1:1/pleq");

QStringList plateNames(Archive& archive)
{
    QStringList names;
    for (const StoredRun& run : archive.runs(1, 100))
        names.append(QStringLiteral("%1 %2").arg(run.seq).arg(run.record.plateName));
    return names;
}

} // namespace

class TestArchiveQueue : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_cases = 0;

    QString newQueue() { return m_dir.filePath(QStringLiteral("queue-%1.sqlite").arg(++m_cases)); }
    // A database of the test server not made yet: a server that does not take
    // runs until makeServer(); its runs wait in the queue meanwhile.
    ArchiveLocation laterServer()
    {
        QString error;
        const QString address =
            freshPgDatabase(pgTestAddress(), QStringLiteral("queue_%1").arg(++m_cases), &error, false);
        if (address.isEmpty())
            throw Error(error);
        return ArchiveLocation::parse(address);
    }
    void makeServer(const ArchiveLocation& server)
    {
        QString error;
        QVERIFY2(!freshPgDatabase(pgTestAddress(), server.database, &error).isEmpty(), qPrintable(error));
    }
    ArchiveLocation newServer()
    {
        QString error;
        const QString address = freshPgDatabase(pgTestAddress(), QStringLiteral("queue_%1").arg(++m_cases), &error);
        if (address.isEmpty())
            throw Error(error);
        return ArchiveLocation::parse(address);
    }

private Q_SLOTS:
    // Runs made while their server is down wait in the queue; the run made
    // once it answers goes after them. A run queued for another server stays
    // for that one.
    void queuedRunsGoFirstInOrder()
    {
        const QString queue = newQueue();
        Archive down(ArchiveLocation::parse(DownServer));
        const ArchiveOutcome first = archiveOrQueue(down, plateRun(QStringLiteral("Планшет 1")), queue);
        QVERIFY(first.queued);
        QCOMPARE(first.seq, 0);
        QCOMPARE(first.message,
                 QStringLiteral("Сервер архива postgresql://pleq@127.0.0.1:1/pleq недоступен: "
                                "сервер не отвечает. Планшет поставлен в очередь (%1) и будет отправлен, "
                                "когда сервер ответит.")
                     .arg(QDir::toNativeSeparators(queue)));
        const ArchiveLocation later = laterServer();
        {
            Archive pending(later);
            QVERIFY(archiveOrQueue(pending, plateRun(QStringLiteral("Планшет 2"), 5), queue).queued);
            QVERIFY(archiveOrQueue(pending, plateRun(QStringLiteral("Планшет 3"), 10), queue).queued);
        }
        QCOMPARE(queuedRunCount(queue), 3);

        makeServer(later);
        Archive server(later);
        const ArchiveOutcome fourth = archiveOrQueue(server, plateRun(QStringLiteral("Планшет 4"), 15), queue);
        QVERIFY2(!fourth.queued, qPrintable(fourth.message));
        QCOMPARE(fourth.seq, 3);
        QCOMPARE(queuedRunCount(queue), 1);
        QCOMPARE(plateNames(server), (QStringList{"1 Планшет 2", "2 Планшет 3", "3 Планшет 4"}));
        QCOMPARE(server.verify().message, QStringLiteral("Все 3 записи архива целы."));
    }

    // One plate queued for server A, then for server B: it is owed to both
    // and leaves the queue only once both hold it, whichever sends first. A
    // queue of the version that kept one server per run moves over as it was.
    void runOwedToEachServer_data()
    {
        QTest::addColumn<bool>("bFirst");
        QTest::addColumn<bool>("earlierQueue"); // the run's server in queue_targets, as an earlier version kept it
        QTest::newRow("A sends first") << false << false;
        QTest::newRow("B sends first") << true << false;
        QTest::newRow("a queue of the version before") << false << true;
    }
    void runOwedToEachServer()
    {
        QFETCH(bool, bFirst);
        QFETCH(bool, earlierQueue);
        const QString queue = newQueue();
        const RunRecord plate = plateRun(QStringLiteral("Планшет 1"));
        const ArchiveLocation a = laterServer();
        const ArchiveLocation b = laterServer();
        {
            Archive downA(a), downB(b);
            QVERIFY(archiveOrQueue(downA, plate, queue).queued);
            if (earlierQueue) {
                PlainSql plain(queue);
                QCOMPARE(plain.run({QStringLiteral("INSERT INTO queue_targets SELECT uid, server FROM queue_owed"),
                                    QStringLiteral("DELETE FROM queue_owed")}),
                         QString());
            } else {
                QVERIFY(archiveOrQueue(downB, plate, queue).queued);
            }
        }
        QCOMPARE(queuedRunCount(queue), 1);
        makeServer(a);
        makeServer(b);
        Archive serverA(a), serverB(b);
        serverA.open();
        serverB.open();
        QCOMPARE(sendQueued(bFirst ? serverB : serverA, queue), 1);
        QCOMPARE(queuedRunCount(queue), earlierQueue ? 0 : 1);
        QCOMPARE(sendQueued(bFirst ? serverA : serverB, queue), earlierQueue ? 0 : 1);
        QCOMPARE(queuedRunCount(queue), 0);
        QCOMPARE(plateNames(serverA), QStringList{"1 Планшет 1"});
        QCOMPARE(plateNames(serverB), earlierQueue ? QStringList() : QStringList{"1 Планшет 1"});
    }

    // A queued run the server holds already (its answer was lost after the
    // commit) counts as sent and is not stored twice.
    void sendQueuedSkipsRunsTheServerHolds()
    {
        const QString queue = newQueue();
        const RunRecord first = plateRun(QStringLiteral("Планшет 1"));
        const RunRecord second = plateRun(QStringLiteral("Планшет 2"), 5);
        const ArchiveLocation later = laterServer();
        {
            Archive down(later);
            QVERIFY(archiveOrQueue(down, first, queue).queued);
            QVERIFY(archiveOrQueue(down, second, queue).queued);
            QVERIFY(archiveOrQueue(down, first, queue).queued); // queued twice, kept once
        }
        QCOMPARE(queuedRunCount(queue), 2);

        makeServer(later);
        Archive server(later);
        QCOMPARE(server.append(second), 1);
        QCOMPARE(sendQueued(server, queue), 2);
        QCOMPARE(queuedRunCount(queue), 0);
        QCOMPARE(PlainSql(queue).value(QStringLiteral("SELECT COUNT(*) FROM run_wells")).toInt(), 0);
        QCOMPARE(sendQueued(server, queue), 0);
        QCOMPARE(plateNames(server), (QStringList{"1 Планшет 2", "2 Планшет 1"}));
        QVERIFY(server.verify().intact());

        // Nothing queued: nothing to connect to.
        QCOMPARE(sendQueuedRuns(ArchiveLocation::parse(DownServer), queue), 0);
        QCOMPARE(sendQueuedRuns(ArchiveLocation::parse(DownServer), m_dir.filePath(QStringLiteral("none.sqlite"))), 0);
    }

    // "Протокол" and "В архив" with the server down: the protocol is written,
    // the messages name the server, and the run waits in the queue.
    void protocolAndArchiveCommandWhileDown()
    {
        const QString queue = newQueue();
        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toLocal8Bit());
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 7"), QStringLiteral("1,1"));
        const PlateResult result = calculatePlate(project, {});
        Archive down(ArchiveLocation::parse(DownServer));
        const QString protocol = m_dir.filePath(QStringLiteral("result.txt"));
        const ProtocolOutcome outcome = writeProtocolAndArchive(project, &result, protocol, down, runTime());
        QVERIFY(QFile::exists(protocol));
        QVERIFY(outcome.queued);
        QVERIFY(!outcome.archived());
        QVERIFY2(outcome.archiveMessage.startsWith(
                     QStringLiteral("Протокол записан. Сервер архива postgresql://pleq@127.0.0.1:1/pleq недоступен: ")),
                 qPrintable(outcome.archiveMessage));
        const QString error = errorOf([&] { archiveRun(project, &result, down, runTime(1)); });
        QVERIFY2(error.startsWith(QStringLiteral("Сервер архива postgresql://pleq@127.0.0.1:1/pleq недоступен: ")),
                 qPrintable(error));
        QVERIFY2(error.contains(QStringLiteral("Планшет поставлен в очередь")), qPrintable(error));
        QCOMPARE(queuedRunCount(queue), 2);
        qunsetenv("PLEQ_ARCHIVE_QUEUE");
    }

    // A run whose protocol cannot be made, made while the server is down:
    // it waits in the queue without protocol bytes, the error says so, and
    // it reaches the server as it was made.
    void runWithoutProtocolQueued()
    {
        const QString queue = newQueue();
        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toLocal8Bit());
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 8"), QStringLiteral("1,1"));
        project.sampleTable().setCell(2, 1, QStringLiteral("1.5"));
        const PlateResult result = calculatePlate(project, {});
        const ArchiveLocation later = laterServer();
        QString error;
        {
            Archive down(later);
            error = errorOf([&] {
                writeProtocolAndArchive(project, &result, m_dir.filePath(QStringLiteral("none.txt")), down, runTime());
            });
        }
        qunsetenv("PLEQ_ARCHIVE_QUEUE");
        QVERIFY2(error.startsWith(QStringLiteral("'1.5' is not a valid integer value\nСервер архива %1 недоступен: ")
                                      .arg(later.displayName())),
                 qPrintable(error));
        QVERIFY2(
            error.endsWith(QStringLiteral("Планшет поставлен в очередь (%1) и будет отправлен, когда сервер ответит.")
                               .arg(QDir::toNativeSeparators(queue))),
            qPrintable(error));
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("none.txt"))));

        makeServer(later);
        Archive server(later);
        QCOMPARE(sendQueued(server, queue), 1);
        const RunRecord run = server.run(1)->record;
        QCOMPARE(run.plateName, QStringLiteral("Планшет 8"));
        QCOMPARE(run.protocol, QByteArray());
        QCOMPARE(run.messages, QStringList{"Протокол не составлен: '1.5' is not a valid integer value"});
        QCOMPARE(server.verify().message, QStringLiteral("Единственная запись архива цела."));
    }

    // `pleq-cli archive send`: what waits for the server goes there, and
    // says so; what waits for another server stays.
    void cliSend()
    {
        const QString queue = newQueue();
        Archive down(ArchiveLocation::parse(DownServer));
        QVERIFY(archiveOrQueue(down, plateRun(QStringLiteral("Планшет 1")), queue).queued);
        const ArchiveLocation later = laterServer();
        {
            Archive pending(later);
            QVERIFY(archiveOrQueue(pending, plateRun(QStringLiteral("Планшет 2"), 5), queue).queued);
        }
        makeServer(later);
        const QString server = later.displayName();
        qputenv("PLEQ_ARCHIVE_QUEUE", queue.toLocal8Bit());
        // `archive add` while the server is down: queued, not failed, and its status says so.
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 3"), QStringLiteral("0,1"));
        const QString plate = m_dir.filePath(QStringLiteral("plate-3.plq"));
        {
            QFile file(plate);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(writeProjectFile(project));
        }
        const CliRun added =
            runCli({QStringLiteral("archive"), QStringLiteral("add"), plate, QStringLiteral("--archive"), DownServer});
        QCOMPARE(added.status, 3);
        QCOMPARE(
            QString::fromUtf8(added.out),
            QStringLiteral("Сервер архива postgresql://pleq@127.0.0.1:1/pleq недоступен: сервер не отвечает. Планшет "
                           "поставлен в очередь (%1) и будет отправлен, когда сервер ответит.\n")
                .arg(QDir::toNativeSeparators(queue)));
        const CliRun down1 =
            runCli({QStringLiteral("archive"), QStringLiteral("send"), QStringLiteral("--archive"), DownServer});
        const CliRun sent =
            runCli({QStringLiteral("archive"), QStringLiteral("send"), QStringLiteral("--archive"), server});
        qunsetenv("PLEQ_ARCHIVE_QUEUE");
        QCOMPARE(down1.status, 1);
        // One line in Russian, the reason last, and no warning of Qt's own.
        QCOMPARE(down1.err, QStringLiteral("pleq-cli: Архив postgresql://pleq@127.0.0.1:1/pleq: сервер не отвечает\n"));
        QCOMPARE(sent.status, 0);
        QCOMPARE(QString::fromUtf8(sent.out),
                 QStringLiteral("Отправлено на сервер архива %1: 1; в очереди (%2) осталось 2.\n")
                     .arg(server, QDir::toNativeSeparators(queue)));
        Archive sentTo(later);
        QCOMPARE(sentTo.runCount(), 1);
        QCOMPARE(sentTo.run(1)->record.plateName, QStringLiteral("Планшет 2"));
    }

    // Two `archive send` at once: one claims the queue, the other leaves
    // it, so no run is sent by both.
    void concurrentSends()
    {
        const QString queue = newQueue();
        const ArchiveLocation later = laterServer();
        {
            Archive pending(later);
            for (int i = 0; i < 40; ++i)
                QVERIFY(archiveOrQueue(pending, plateRun(QStringLiteral("Планшет %1").arg(i + 1), i), queue).queued);
        }
        makeServer(later);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("PLEQ_ARCHIVE_QUEUE"), queue);
        QProcess senders[2];
        for (QProcess& sender : senders) {
            sender.setProcessEnvironment(env);
            sender.start(QStringLiteral(PLEQ_CLI), {QStringLiteral("archive"), QStringLiteral("send"),
                                                    QStringLiteral("--archive"), later.displayName()});
        }
        int sent = 0;
        const QString prefix = QStringLiteral("Отправлено на сервер архива %1: ").arg(later.displayName());
        for (QProcess& sender : senders) {
            QVERIFY(sender.waitForFinished(60000));
            QCOMPARE(sender.exitCode(), 0);
            const QString out = QString::fromUtf8(sender.readAllStandardOutput());
            QVERIFY2(out.startsWith(prefix), qPrintable(out));
            sent += out.mid(prefix.size()).section(QLatin1Char(';'), 0, 0).toInt();
        }
        QCOMPARE(sent, 40);
        QCOMPARE(queuedRunCount(queue), 0);
        Archive server(later);
        QCOMPARE(server.verify().message, QStringLiteral("Все 40 записей архива целы."));
    }

    // The window keeps its archive open: after the server restarted, its next
    // append goes over a new connection instead of failing on the lost one.
    void appendAfterServerRestart()
    {
#ifdef Q_OS_WIN
        QSKIP("The test server is halted and resumed by a bash script, which a Windows program cannot start");
#endif
        OwnPgServer own(qEnvironmentVariable("PLEQ_TEST_PG_DIR") + QStringLiteral("-queue"));
        QString failure = own.run(QStringLiteral("start"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        Archive archive(ArchiveLocation::parse(own.address()));
        QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 1"))), 1);
        failure = own.run(QStringLiteral("halt"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        failure = own.run(QStringLiteral("resume"));
        QVERIFY2(failure.isEmpty(), qPrintable(failure));
        const ArchiveOutcome second = archiveOrQueue(archive, plateRun(QStringLiteral("Планшет 2"), 5), newQueue());
        QVERIFY2(!second.queued, qPrintable(second.message));
        QCOMPARE(second.seq, 2);
        QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
    }

    // A queue that cannot be written either: the error says the run is kept nowhere.
    void queueUnwritable()
    {
        const QString queue = m_dir.filePath(QStringLiteral("a-folder"));
        QVERIFY(QDir().mkpath(queue));
        Archive down(ArchiveLocation::parse(DownServer));
        const QString error = errorOf([&] { archiveOrQueue(down, plateRun(QStringLiteral("Планшет 1")), queue); });
        QVERIFY2(error.contains(
                     QStringLiteral("Планшет не удалось поставить в очередь: Архив %1: это папка, а не файл архива")
                         .arg(QDir::toNativeSeparators(queue))),
                 qPrintable(error));
    }
};

QTEST_GUILESS_MAIN(TestArchiveQueue)
#include "tst_archivequeue.moc"
