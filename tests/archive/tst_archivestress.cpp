// Several workstations archiving at once into one PostgreSQL archive: four
// processes append 250 runs each at the same time; in the second case the
// server is stopped in the middle and started again, so that the runs of that
// while wait in each process's queue. Every run must arrive once, in the order
// its process made it, on a chain that verifies.

#include "archive/archive.h"
#include "archive/location.h"
#include "pgtest.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <map>
#include <memory>
#include <set>

using namespace pleq;

namespace {

constexpr int Workers = 4;
constexpr int RunsEach = 250;

// How many runs the archive at `address` holds now; -1 while it does not answer.
qint64 serverRunCount(const QString& address)
{
    qint64 count = -1;
    {
        const ArchiveLocation server = ArchiveLocation::parse(address);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), QStringLiteral("count"));
        db.setHostName(server.host);
        db.setPort(server.port);
        db.setUserName(server.user);
        db.setDatabaseName(server.database);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("SELECT count(*) FROM runs")) && query.next())
                count = query.value(0).toLongLong();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("count"));
    return count;
}

} // namespace

class ArchiveStressTest : public QObject
{
    Q_OBJECT

private slots:
    void concurrentAppends_data()
    {
        QTest::addColumn<bool>("stopServer");
        QTest::newRow("4 processes x 250 runs at once") << false;
        QTest::newRow("server stopped and started again mid-way") << true;
    }

    void concurrentAppends()
    {
        QFETCH(bool, stopServer);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());

        // The case that stops its server has one of its own, beside the
        // fixture's (where a run killed midway leaves it, the next start
        // stops and removes it).
        std::unique_ptr<test::OwnPgServer> own;
        QString base = test::pgTestAddress();
        if (stopServer) {
#ifdef Q_OS_WIN
            QSKIP("The test server is stopped and started by a bash script, which a Windows program cannot start");
#endif
            own = std::make_unique<test::OwnPgServer>(qEnvironmentVariable("PLEQ_TEST_PG_DIR")
                                                      + QStringLiteral("-stress"));
            const QString failure = own->run(QStringLiteral("start"));
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            base = own->address();
        }
        QVERIFY(!base.isEmpty());
        QString error;
        const QString address = test::freshPgDatabase(base, QStringLiteral("stress"), &error);
        QVERIFY2(!address.isEmpty(), qPrintable(error));

        QElapsedTimer clock;
        clock.start();
        std::vector<std::unique_ptr<QProcess>> workers;
        for (int w = 0; w < Workers; ++w) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("PLEQ_ARCHIVE_QUEUE"), dir.filePath(QStringLiteral("queue-%1.sqlite").arg(w)));
            process->setProcessEnvironment(env);
            process->start(QStringLiteral(PLEQ_STRESS_APPEND),
                           {address, QStringLiteral("w%1").arg(w), QString::number(RunsEach),
                            QStringLiteral(PLEQ_STRESS_PROJECT)});
            QVERIFY2(process->waitForStarted(), qPrintable(process->errorString()));
            workers.push_back(std::move(process));
        }

        if (stopServer) {
            // Stopped once a fifth of the runs is in, for a second and a half.
            const QDeadlineTimer deadline(60000);
            while (serverRunCount(address) < Workers * RunsEach / 5 && !deadline.hasExpired())
                QThread::msleep(20);
            QVERIFY2(!deadline.hasExpired(), "the workers stored too few runs within a minute");
            QString failure = own->run(QStringLiteral("halt"));
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
            QThread::msleep(1500);
            failure = own->run(QStringLiteral("resume"));
            QVERIFY2(failure.isEmpty(), qPrintable(failure));
        }

        int queued = 0;
        for (int w = 0; w < Workers; ++w) {
            QProcess& process = *workers[w];
            QVERIFY2(process.waitForFinished(180000), qPrintable(QStringLiteral("worker %1 did not end").arg(w)));
            const QString out = QString::fromUtf8(process.readAllStandardOutput());
            QVERIFY2(process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0,
                     qPrintable(QStringLiteral("worker %1: %2 %3")
                                    .arg(w)
                                    .arg(out, QString::fromUtf8(process.readAllStandardError()))));
            QVERIFY2(out.startsWith(QLatin1String("queued ")), qPrintable(out));
            queued += out.mid(7).trimmed().toInt();
        }
        qInfo("%d runs appended by %d processes in %lld ms, %d of them through the queues", Workers * RunsEach, Workers,
              static_cast<long long>(clock.elapsed()), queued);
        if (stopServer)
            QVERIFY2(queued > 0, "no run waited in a queue while the server was stopped");
        else
            QCOMPARE(queued, 0);

        Archive archive(ArchiveLocation::parse(address));
        archive.open();
        QCOMPARE(archive.runCount(), qint64(1000));
        const VerifyReport report = archive.verify();
        QVERIFY2(report.intact(), qPrintable(report.message));
        QCOMPARE(report.runs, qint64(1000));

        // Each uid once, none missing, and each process's runs in the order it made them.
        std::map<QString, qint64> seqOf;
        {
            QSqlQuery query(QSqlDatabase::database(archive.connectionName()));
            QVERIFY(query.exec(QStringLiteral("SELECT uid, seq FROM runs ORDER BY seq")));
            while (query.next())
                QVERIFY2(seqOf.emplace(query.value(0).toString(), query.value(1).toLongLong()).second,
                         qPrintable(query.value(0).toString()));
        }
        QCOMPARE(seqOf.size(), size_t(1000));
        for (int w = 0; w < Workers; ++w) {
            qint64 previous = 0;
            for (int i = 0; i < RunsEach; ++i) {
                const QString uid = QStringLiteral("w%1-%2").arg(w).arg(i, 4, 10, QLatin1Char('0'));
                const auto found = seqOf.find(uid);
                QVERIFY2(found != seqOf.end(), qPrintable(uid + QStringLiteral(" is missing")));
                QVERIFY2(found->second > previous, qPrintable(uid + QStringLiteral(" is out of its process's order")));
                previous = found->second;
            }
        }
        // 1000 distinct seqs from 1 to 1000: the chain has no gap
        std::set<qint64> seqs;
        for (const auto& entry : seqOf)
            seqs.insert(entry.second);
        QCOMPARE(seqs.size(), size_t(1000));
        QCOMPARE(*seqs.begin(), qint64(1));
        QCOMPARE(*seqs.rbegin(), qint64(1000));
    }
};

QTEST_GUILESS_MAIN(ArchiveStressTest)
#include "tst_archivestress.moc"
