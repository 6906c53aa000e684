// `pleq-cli archive copy`: a whole archive from SQLite to PostgreSQL and back
// with every run's seq, previous hash and hash unchanged; the refusals.

#include "archivefixture.h"
#include "pgtest.h"

#include "archive/copy.h"
#include "archive/queue.h"
#include "core/model/errors.h"
#include "support/clirun.h"
#include "support/texts.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace pleq;
using namespace pleq::test;

namespace {

// Every run's seq, uid, links and stored bytes, one line per run.
QStringList chain(const ArchiveLocation& location)
{
    Archive archive(location);
    QStringList lines;
    for (const StoredRun& run : archive.runs(1, 3000))
        lines.append(QStringLiteral("%1 %2 %3 %4 %5 %6")
                         .arg(run.seq)
                         .arg(run.record.uid, QString::fromLatin1(run.previousHash), QString::fromLatin1(run.hash),
                              QString::fromLatin1(run.record.projectFile.toHex()),
                              QString::fromLatin1(run.record.protocol.toHex())));
    return lines;
}

} // namespace

class TestArchiveCopy : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_stopped = 0;

    QString newDatabase(const QString& name)
    {
        QString error;
        const QString address = freshPgDatabase(pgTestAddress(), name, &error);
        if (address.isEmpty())
            throw Error(error);
        return address;
    }

private Q_SLOTS:
    // 300 runs (two transactions of the copy) from a file to the server and
    // from there to a new file: the same chain in all three.
    void sqliteToPostgresToSqlite()
    {
        const QString first = m_dir.filePath(QStringLiteral("first.sqlite"));
        {
            // One calculated plate, renamed: 300 calculations would only slow the test.
            const RunRecord plate = plateRun(QStringLiteral("Планшет"));
            std::vector<RunRecord> runs(300, plate);
            for (int i = 0; i < 300; ++i) {
                runs[size_t(i)].uid = QStringLiteral("run-%1").arg(i + 1);
                runs[size_t(i)].plateName = QStringLiteral("Планшет %1").arg(i + 1);
                runs[size_t(i)].time = runTime(i);
            }
            Archive archive(ArchiveLocation::parse(first));
            archive.append(runs);
        }
        const QString server = newDatabase(QStringLiteral("copy_target"));
        const QString last = m_dir.filePath(QStringLiteral("last.sqlite"));

        CliRun run = runCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"), first,
                             QStringLiteral("--to"), server});
        QCOMPARE(run.err, QStringLiteral("256 из 300\n300 из 300\n"));
        QCOMPARE(run.status, 0);
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Скопировано записей: 300, из %1 в %2.\n"
                                                            "%1: Все 300 записей архива целы.\n"
                                                            "%2: Все 300 записей архива целы.\n")
                                                 .arg(QDir::toNativeSeparators(first), server));
        run = runCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"), server,
                      QStringLiteral("--to"), last});
        QCOMPARE(run.status, 0);
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Скопировано записей: 300, из %1 в %2.\n"
                                                            "%1: Все 300 записей архива целы.\n"
                                                            "%2: Все 300 записей архива целы.\n")
                                                 .arg(server, QDir::toNativeSeparators(last)));

        run = runCli({QStringLiteral("archive"), QStringLiteral("verify"), QStringLiteral("--archive"), server});
        QCOMPARE(QString::fromUtf8(run.out), server + QStringLiteral(": Все 300 записей архива целы.\n"));
        QCOMPARE(run.status, 0);

        const QStringList original = chain(ArchiveLocation::parse(first));
        QCOMPARE(original.size(), 300);
        QCOMPARE(chain(ArchiveLocation::parse(server)), original);
        QCOMPARE(chain(ArchiveLocation::parse(last)), original);
        // The copy goes on as a chain of its own: the next run links to the last copied.
        Archive copied(ArchiveLocation::parse(last));
        QCOMPARE(copied.append(plateRun(QStringLiteral("Планшет 301"), 300)), 301);
        QCOMPARE(copied.run(301)->previousHash, copied.run(300)->hash);
        QVERIFY(copied.verify().intact());
    }

    // A copy killed (kill -9) after its first transaction leaves a target
    // that verify calls unfinished, and the same copy again goes on from
    // there to the whole chain.
    void killedCopyGoesOn_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("into a file") << false;
        QTest::newRow("into a server") << true;
    }
    void killedCopyGoesOn()
    {
        QFETCH(bool, server);
        const QString source = m_dir.filePath(QStringLiteral("whole-%1.sqlite").arg(QTest::currentDataTag()));
        {
            const RunRecord plate = plateRun(QStringLiteral("Планшет"));
            std::vector<RunRecord> runs(1000, plate); // four transactions of the copy
            for (int i = 0; i < 1000; ++i) {
                runs[size_t(i)].uid = QStringLiteral("run-%1").arg(i + 1);
                runs[size_t(i)].time = runTime(i);
            }
            Archive(ArchiveLocation::parse(source)).append(runs);
        }
        const QString target = server ? newDatabase(QStringLiteral("copy_killed"))
                                      : m_dir.filePath(QStringLiteral("part-%1.sqlite").arg(QTest::currentDataTag()));
        QProcess copy;
        copy.setReadChannel(QProcess::StandardError); // the progress, which waitForReadyRead waits for
        copy.start(QStringLiteral(PLEQ_CLI), {QStringLiteral("archive"), QStringLiteral("copy"),
                                              QStringLiteral("--from"), source, QStringLiteral("--to"), target});
        // Killed as soon as the first transaction is reported.
        QByteArray progress;
        while (!progress.contains("256 из 1000\n") && copy.waitForReadyRead(30000))
            progress += copy.readAllStandardError();
        QVERIFY2(progress.startsWith("256 из 1000\n"), progress.constData());
        copy.kill();
        QVERIFY(copy.waitForFinished(10000));

        // A file's place is shown with native separators, a server's address as given.
        const QString targetShown = server ? target : QDir::toNativeSeparators(target);
        const QString sourceShown = QDir::toNativeSeparators(source);
        CliRun run = runCli({QStringLiteral("archive"), QStringLiteral("verify"), QStringLiteral("--archive"), target});
        const QString out = QString::fromUtf8(run.out);
        // Whole transactions only: 256 runs, or a multiple if the kill came a little late.
        const QRegularExpressionMatch unfinished =
            QRegularExpression(
                QStringLiteral("^%1: Копирование из %2 не закончено: в архиве только (\\d+) записей; "
                               "повторите archive copy, оно продолжится.\n$")
                    .arg(QRegularExpression::escape(targetShown), QRegularExpression::escape(sourceShown)))
                .match(out);
        QVERIFY2(unfinished.hasMatch(), qPrintable(out));
        const int copied = unfinished.captured(1).toInt();
        QVERIFY2(copied % 256 == 0 && copied < 1000, qPrintable(out));
        QCOMPARE(run.status, 1);
        run = runCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"), source,
                      QStringLiteral("--to"), target});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.err.endsWith(QStringLiteral("1000 из 1000\n")), qPrintable(run.err));
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Скопировано записей: 1000, из %1 в %2.\n"
                                                            "%1: Все 1000 записей архива целы.\n"
                                                            "%2: Все 1000 записей архива целы.\n")
                                                 .arg(sourceShown, targetShown));
        QCOMPARE(chain(ArchiveLocation::parse(target)), chain(ArchiveLocation::parse(source)));
    }

    // A copy stopped after its first transaction (256 of 300 runs), into a
    // file or a server. Until it ends the target takes no other run (it is
    // neither stored nor queued); the copy that goes on verifies only the
    // source's runs after the 256 copied, so a change to a copied run of the
    // source shows in the report after the copy and one to a run still to
    // copy stops it; once it ends, the target takes runs again.
    void stoppedCopy_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<int>("changed"); // the source's run changed while the copy stood still; 0: none
        QTest::addColumn<QString>("outcome");
        for (const bool server : {false, true}) {
            const char* target = server ? "into a server" : "into a file";
            QTest::addRow("%s", target) << server << 0 << "Все 300 записей архива целы.";
            QTest::addRow("%s, a copied run changed", target)
                << server << 10 << "Запись 10 (планшет «Планшет», 2026-12-01 10:09): содержимое изменено.";
            QTest::addRow("%s, a run to copy changed", target)
                << server << 280
                << "Архив %1 не копируется: Запись 280 (планшет «Планшет», 2026-12-01 14:39): содержимое изменено.";
        }
    }
    void stoppedCopy()
    {
        QFETCH(bool, server);
        QFETCH(int, changed);
        QFETCH(QString, outcome);
        const int number = ++m_stopped;
        const QString source = m_dir.filePath(QStringLiteral("stopped-%1.sqlite").arg(number));
        {
            const RunRecord plate = plateRun(QStringLiteral("Планшет"));
            std::vector<RunRecord> runs(300, plate); // two transactions of the copy
            for (int i = 0; i < 300; ++i) {
                runs[size_t(i)].uid = QStringLiteral("run-%1").arg(i + 1);
                runs[size_t(i)].time = runTime(i);
            }
            Archive(ArchiveLocation::parse(source)).append(runs);
        }
        const ArchiveLocation targetLocation =
            ArchiveLocation::parse(server ? newDatabase(QStringLiteral("copy_stopped"))
                                          : m_dir.filePath(QStringLiteral("target-%1.sqlite").arg(number)));
        Archive from(ArchiveLocation::parse(source));
        Archive to(targetLocation);
        QCOMPARE(
            errorOf([&] { copyArchive(from, to, [](qint64, qint64) { throw Error(QStringLiteral("stopped")); }); }),
            QStringLiteral("stopped"));
        QCOMPARE(to.runCount(), 256);

        const QString sourceShown = QDir::toNativeSeparators(source);
        const QString refused = QStringLiteral("Архив %1: это незаконченная копия архива %2: записи в него не "
                                               "добавляются, пока archive copy не закончит копирование")
                                    .arg(to.location().displayName(), sourceShown);
        QCOMPARE(errorOf([&] { to.append(plateRun(QStringLiteral("Другой"))); }), refused);
        const QString queue = m_dir.filePath(QStringLiteral("queue-%1.sqlite").arg(number));
        QCOMPARE(errorOf([&] { archiveOrQueue(to, plateRun(QStringLiteral("Другой")), queue); }), refused);
        QCOMPARE(queuedRunCount(queue), 0);
        QCOMPARE(to.runCount(), 256);

        if (changed) {
            PlainSql plain(source);
            QCOMPARE(plain.run({QStringLiteral("UPDATE run_wells SET density = '1,9' WHERE seq = %1 AND col = 1 AND "
                                               "row = 1")
                                    .arg(changed)}),
                     QString());
        }
        if (outcome.startsWith(QStringLiteral("Архив "))) {
            QCOMPARE(errorOf([&] { copyArchive(from, to); }), outcome.arg(sourceShown));
            QCOMPARE(to.runCount(), 256);
            return;
        }
        const CopyReport report = copyArchive(from, to);
        QCOMPARE(report.runs, 300);
        QCOMPARE(report.source.message, outcome);
        QCOMPARE(report.target.message, QStringLiteral("Все 300 записей архива целы."));
        QCOMPARE(to.append(plateRun(QStringLiteral("Другой"))), 301);
    }

    void refused_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message"); // %1 the source, %2 the target
        QTest::newRow("target holds runs") << "target holds runs"
                                           << "Архив %2 не пуст (записей: 1): копировать можно только в пустой архив";
        QTest::newRow("source chain broken")
            << "source chain broken"
            << "Архив %1 не копируется: Перед записью 3 удалена или переставлена запись: цепочка разорвана.";
        QTest::newRow("into itself") << "into itself"
                                     << "Архив %1: копировать архив в него же нельзя";
        QTest::newRow("source chain broken, a new file")
            << "source chain broken, a new file"
            << "Архив %1 не копируется: Перед записью 3 удалена или переставлена запись: цепочка разорвана.";
    }
    void refused()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        const QString source = m_dir.filePath(QStringLiteral("source-%1.sqlite").arg(QTest::currentDataTag()));
        {
            Archive archive(ArchiveLocation::parse(source));
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), i));
        }
        QString target = newDatabase(QStringLiteral("copy_refused"));
        if (fault == QLatin1String("target holds runs")) {
            Archive archive(ArchiveLocation::parse(target));
            archive.append(plateRun(QStringLiteral("Другой планшет")));
        } else if (fault.startsWith(QLatin1String("source chain broken"))) {
            PlainSql plain(source);
            QCOMPARE(plain.run({QStringLiteral("DELETE FROM runs WHERE seq = 2")}), QString());
            if (fault.endsWith(QLatin1String("a new file")))
                target = m_dir.filePath(QStringLiteral("never-made.sqlite"));
        } else {
            target = source;
        }
        const CliRun run = runCli({QStringLiteral("archive"), QStringLiteral("copy"), QStringLiteral("--from"), source,
                                   QStringLiteral("--to"), target});
        QCOMPARE(run.status, 1);
        // The source is a file, shown with native separators; the target a server's address or a file.
        const QString targetShown =
            target.startsWith(QLatin1String("postgresql:")) ? target : QDir::toNativeSeparators(target);
        message.replace(QLatin1String("%1"), QDir::toNativeSeparators(source))
            .replace(QLatin1String("%2"), targetShown);
        QCOMPARE(run.err, QStringLiteral("pleq-cli: ") + message + QLatin1Char('\n'));
        QCOMPARE(run.out, QByteArray());
        if (fault.endsWith(QLatin1String("a new file")))
            QVERIFY(!QFileInfo::exists(target)); // no empty target left behind
        else if (fault != QLatin1String("into itself"))
            QCOMPARE(Archive(ArchiveLocation::parse(target)).runCount(),
                     fault == QLatin1String("target holds runs") ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestArchiveCopy)
#include "tst_archivecopy.moc"
