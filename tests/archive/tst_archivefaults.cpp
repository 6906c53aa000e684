#include "archivefixture.h"
#include "pgtest.h"
#include "support/texts.h"

#include "archive/anchor.h"
#include "archive/operations.h"
#include "core/files/protocol.h"
#include "files/docstest.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>
#include <optional>

using namespace pleq;
using namespace pleq::test;

namespace {

const QFileDevice::Permissions Open = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                      | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
const QFileDevice::Permissions ReadOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther | QFileDevice::ExeOther;
const QFileDevice::Permissions ReadWriteFile =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther | QFileDevice::WriteOther;
const QFileDevice::Permissions ReadOnlyFile = QFileDevice::ReadOwner | QFileDevice::ReadOther;

} // namespace

// "Протокол" with an archive that cannot be written: the protocol is written
// in full, the message names the archive and the reason, the archive holds
// no part of the run, and once the fault is gone "В архив" stores it.
class TestArchiveFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void protocolSurvivesTheArchive_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("unprivileged"); // run as an ordinary user: root writes read-only files
        QTest::addColumn<bool>("recoverable");
        QTest::addColumn<QString>("reason");
        QTest::newRow("locked by another writer")
            << "locked" << false << true << "архив занят: другая программа держит его на запись";
        QTest::newRow("read-only file") << "read-only file" << true << true
                                        << "архив только для чтения: нет права записи в файл или его папку";
        QTest::newRow("read-only folder")
            << "read-only folder" << true << true << "архив только для чтения: нет права записи в файл или его папку";
        QTest::newRow("disk full") << "disk full" << false << true
                                   << "ошибка записи на диск: диск заполнен или неисправен";
        QTest::newRow("not a database") << "not a database" << false << false
                                        << "файл не является архивом (не база данных SQLite или поврежден)";
        QTest::newRow("a folder") << "a folder" << false << false << "это папка, а не файл архива";
    }
    void protocolSurvivesTheArchive()
    {
        QFETCH(QString, fault);
        QFETCH(bool, unprivileged);
        QFETCH(bool, recoverable);
        QFETCH(QString, reason);
        if (!FaultsAvailable && (unprivileged || fault == QLatin1String("disk full")))
            QSKIP("Wine runs as the Unix user: no other user, no file size limit");

        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), Open));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("archive")) && QDir(dir.path()).mkdir(QStringLiteral("out")));
        const QString folder = dir.filePath(QStringLiteral("archive"));
        QVERIFY(QFile::setPermissions(folder, Open)
                && QFile::setPermissions(dir.filePath(QStringLiteral("out")), Open));
        const QString path = folder + QStringLiteral("/archive.sqlite");
        const QString protocolPath = dir.filePath(QStringLiteral("out/result.txt"));
        {
            Archive archive(ArchiveLocation::parse(path));
            archive.append(plateRun(QStringLiteral("Планшет 1")));
        }
        QVERIFY(QFile::setPermissions(path, ReadWriteFile));

        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 2"), QStringLiteral("0,1"));
        const PlateResult result = calculatePlate(project, {});
        const QByteArray protocol = protocolBytes(project);

        QString location = path;
        std::optional<PlainSql> locker;
        if (fault == QLatin1String("locked")) {
            locker.emplace(path, QStringLiteral("locker"));
            QCOMPARE(locker->run({QStringLiteral("BEGIN IMMEDIATE")}), QString());
        } else if (fault == QLatin1String("read-only file")) {
            QVERIFY(QFile::setPermissions(path, ReadOnlyFile));
        } else if (fault == QLatin1String("read-only folder")) {
            QVERIFY(QFile::setPermissions(folder, ReadOnlyFolder));
        } else if (fault == QLatin1String("not a database")) {
            location = dir.filePath(QStringLiteral("notes.sqlite"));
            QFile notes(location);
            QVERIFY(notes.open(QIODevice::WriteOnly));
            notes.write(QByteArray(4096, 'x'));
        } else if (fault == QLatin1String("a folder")) {
            location = folder;
        }
        const QString expected = QStringLiteral("Протокол записан, но планшет не сохранен в архив. Архив %1: %2. "
                                                "Сохраните его позже командой «В архив».")
                                     .arg(QDir::toNativeSeparators(location), reason);

        const auto work = [&] {
            Archive archive(ArchiveLocation::parse(location));
            std::unique_ptr<FileSizeLimit> full;
            if (fault == QLatin1String("disk full")) {
                archive.open();
                // The protocol (4.5 kB) fits; the archive's log cannot grow past its first page.
                full = std::make_unique<FileSizeLimit>(6000);
            }
            const ProtocolOutcome outcome =
                writeProtocolAndArchive(project, &result, protocolPath, archive, runTime(5));
            full.reset();
            if (outcome.archiveMessage != expected || outcome.seq != 0) {
                qWarning("message: %s", qPrintable(outcome.archiveMessage));
                return 1;
            }
            return fileBytes(protocolPath) == protocol ? 0 : 2;
        };
        QCOMPARE(unprivileged ? runUnprivileged(work) : work(), 0);

        if (locker) {
            QCOMPARE(locker->run({QStringLiteral("ROLLBACK")}), QString());
            locker.reset();
        }
        QVERIFY(QFile::setPermissions(folder, Open) && QFile::setPermissions(path, ReadWriteFile));
        { // Nothing of the second run reached the archive.
            PlainSql plain(path);
            QCOMPARE(plain.value(QStringLiteral("SELECT COUNT(*) FROM runs")).toInt(), 1);
            QCOMPARE(plain.value(QStringLiteral("SELECT COUNT(*) FROM run_wells")).toInt(), 96);
            QCOMPARE(plain.value(QStringLiteral("SELECT COUNT(*) FROM run_samples")).toInt(), 2);
            QCOMPARE(plain.value(QStringLiteral("SELECT seq FROM chain_head")).toInt(), 1);
        }
        if (recoverable) {
            Archive archive(ArchiveLocation::parse(path));
            QCOMPARE(archiveRun(project, &result, archive, runTime(10)), 2);
            QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
        }
    }

    // An archive that cannot be read is an error naming the reason, never
    // an empty archive; one that can be read but not written (another user's
    // file, a read-only mount) is verified as it is, and anchored.
    void unreadableArchive_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("outcome"); // verify's message, or the error (%1: the archive)
        QTest::newRow("sqlite: another user may read") << "may read"
                                                       << "Все 3 записи архива целы.";
        QTest::newRow("sqlite: another user may not read") << "may not read"
                                                           << "Архив %1: файл архива не открывается";
        QTest::newRow("sqlite: a read-only mount") << "read-only mount"
                                                   << "Все 3 записи архива целы.";
        QTest::newRow("postgres: a role without rights") << "role without rights"
                                                         << "Архив %1: нет прав на базу данных архива";
    }
    void unreadableArchive()
    {
        QFETCH(QString, fault);
        QFETCH(QString, outcome);
        if (!FaultsAvailable && fault != QLatin1String("role without rights"))
            QSKIP("Wine runs as the Unix user: no other user, no mount");
        QTemporaryDir dir;
        QVERIFY(QFile::setPermissions(dir.path(), Open));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("archive")) && QDir(dir.path()).mkdir(QStringLiteral("mount")));
        const QString folder = dir.filePath(QStringLiteral("archive"));
        ArchiveLocation location = ArchiveLocation::parse(folder + QStringLiteral("/archive.sqlite"));
        if (fault == QLatin1String("role without rights")) {
            QString error;
            location =
                ArchiveLocation::parse(freshPgDatabase(pgTestAddress(), QStringLiteral("faults_rights"), &error));
            QVERIFY2(error.isEmpty(), qPrintable(error));
        }
        {
            Archive archive(location);
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), 5 * i));
        }
        struct Mount {
            QString path;
            ~Mount()
            {
                if (!path.isEmpty())
                    QProcess::execute(QStringLiteral("umount"), {path});
            }
        } mount;
        if (fault == QLatin1String("may read") || fault == QLatin1String("may not read")) {
            // Closed to the owner as well, so that the case holds whoever runs the test.
            QVERIFY(QFile::setPermissions(
                location.path, fault == QLatin1String("may read") ? ReadOnlyFile : QFileDevice::Permissions()));
            QVERIFY(QFile::setPermissions(folder, ReadOnlyFolder));
        } else if (fault == QLatin1String("read-only mount")) {
            QProcess bind;
            bind.start(QStringLiteral("mount"), {QStringLiteral("--bind"), QStringLiteral("-o"), QStringLiteral("ro"),
                                                 folder, dir.filePath(QStringLiteral("mount"))});
            if (!bind.waitForFinished(10000) || bind.exitStatus() != QProcess::NormalExit || bind.exitCode() != 0)
                QSKIP(qPrintable(
                    QStringLiteral("no read-only bind mount here (mount needs root and the right to "
                                   "mount): %1")
                        .arg(QString::fromLocal8Bit(bind.readAllStandardError()).trimmed() + bind.errorString())));
            mount.path = dir.filePath(QStringLiteral("mount"));
            location = ArchiveLocation::parse(mount.path + QStringLiteral("/archive.sqlite"));
        } else {
            ArchiveLocation admin = location;
            admin.user = QStringLiteral("pleq_admin");
            PlainSql plain(admin);
            QCOMPARE(plain.run({QStringLiteral("DO $$ BEGIN CREATE ROLE pleq_reader LOGIN; "
                                               "EXCEPTION WHEN duplicate_object THEN NULL; END $$")}),
                     QString());
            location.user = QStringLiteral("pleq_reader");
        }
        const QString expected = QString(outcome).replace(QLatin1String("%1"), location.displayName());
        const auto work = [&] {
            Archive archive(location);
            QString verified, anchor;
            try {
                verified = archive.verify().message;
                anchor = headAnchor(archive);
            } catch (const Error& e) {
                verified = anchor = e.message();
            }
            const bool intact = !expected.startsWith(QStringLiteral("Архив "));
            if (verified != expected
                || (intact ? !anchor.startsWith(QStringLiteral("3 2026-12-01T07:10:00.000Z ")) : anchor != expected)) {
                qWarning("verify: %s; anchor: %s", qPrintable(verified), qPrintable(anchor));
                return 1;
            }
            return 0;
        };
        QCOMPARE(location.kind == ArchiveLocation::Kind::Sqlite ? runUnprivileged(work) : work(), 0);
        if (location.kind == ArchiveLocation::Kind::Sqlite) {
            // Nothing was written beside it: no log, no index of one.
            QVERIFY(!QFile::exists(folder + QStringLiteral("/archive.sqlite-wal")));
            QVERIFY(!QFile::exists(folder + QStringLiteral("/archive.sqlite-shm")));
        }
    }

    // "Протокол" whose protocol cannot be made or written: the run is
    // archived all the same (without protocol bytes when they cannot be
    // made), an earlier result.txt stays, and the error names the protocol's
    // fault and then what became of the run.
    void runSurvivesTheProtocol_data()
    {
        QTest::addColumn<QString>("quantity");   // of sample 2
        QTest::addColumn<QString>("protocolAt"); // in the temporary folder
        QTest::addColumn<QString>("archiveAt");  // in the temporary folder; "folder" is one
        QTest::addColumn<QString>("error");      // %1/: the temporary folder, with native separators
        QTest::addColumn<int>("runs");           // in archive.sqlite afterwards
        QTest::newRow("a quantity not an integer")
            << "2x"
            << "result.txt"
            << "archive.sqlite"
            << "'2x' is not a valid integer value\n"
               "Планшет «Планшет 2» записан в архив %1/archive.sqlite под номером 2 без протокола."
            << 2;
        QTest::newRow("a quantity past a plate")
            << "97"
            << "result.txt"
            << "archive.sqlite"
            << "Sample 2: the quantity 97 is more than the 96 wells of a plate\n"
               "Планшет «Планшет 2» записан в архив %1/archive.sqlite под номером 2 без протокола."
            << 2;
        QTest::newRow("result.txt not writable")
            << "2"
            << "plain.txt/result.txt"
            << "archive.sqlite"
            << "Not a directory\nПланшет «Планшет 2» записан в архив %1/archive.sqlite под номером 2." << 2;
        QTest::newRow("no protocol and no archive")
            << "2x"
            << "result.txt"
            << "folder"
            << "'2x' is not a valid integer value\nПланшет не сохранен в архив. Архив %1/folder: это папка, а не файл "
               "архива. Сохраните его позже командой «В архив»."
            << 1;
    }
    void runSurvivesTheProtocol()
    {
        QFETCH(QString, quantity);
        QFETCH(QString, protocolAt);
        QFETCH(QString, archiveAt);
        QFETCH(QString, error);
        QFETCH(int, runs);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("archive.sqlite"));
        {
            Archive archive(ArchiveLocation::parse(path));
            archive.append(plateRun(QStringLiteral("Планшет 1")));
        }
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
        for (const char* name : {"result.txt", "plain.txt"}) {
            QFile file(dir.filePath(QLatin1String(name)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("earlier") == 7);
        }
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 2"), QStringLiteral("0,1"));
        project.sampleTable().setCell(2, 2, quantity);
        const PlateResult result = calculatePlate(project, {});

        Archive archive(ArchiveLocation::parse(dir.filePath(archiveAt)));
        QCOMPARE(
            errorOf([&] { writeProtocolAndArchive(project, &result, dir.filePath(protocolAt), archive, runTime(5)); }),
            error.replace(QLatin1String("%1/"), QDir::toNativeSeparators(dir.path() + QLatin1Char('/'))));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("result.txt"))), QByteArray("earlier"));

        Archive stored(ArchiveLocation::parse(path));
        QCOMPARE(stored.runCount(), runs);
        QCOMPARE(stored.verify().intact(), true);
        if (runs == 1)
            return;
        const RunRecord run = stored.run(2)->record;
        QCOMPARE(run.plateName, QStringLiteral("Планшет 2"));
        QCOMPARE(run.samples[1].quantity, quantity);
        if (quantity == QLatin1String("2")) {
            QCOMPARE(run.protocol, protocolBytes(project));
            QCOMPARE(run.messages, QStringList());
        } else {
            QCOMPARE(run.protocol, QByteArray());
            QCOMPARE(run.messages.size(), 1);
            QVERIFY(run.messages.first().startsWith(QStringLiteral("Протокол не составлен: ")));
        }
    }
};

QTEST_GUILESS_MAIN(TestArchiveFaults)
#include "tst_archivefaults.moc"
