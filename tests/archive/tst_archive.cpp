#include "archivefixture.h"
#include "pgtest.h"

#include "archive/anchor.h"
#include "archive/copy.h"
#include "archive/journal.h"
#include "archive/schema.h"
#include "core/model/errors.h"

#include "support/texts.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace pleq;
using namespace pleq::test;

class TestArchive : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;

    // The back ends the tables below run on; each row's name begins with its back end's.
    static QStringList backendNames() { return {QStringLiteral("sqlite"), QStringLiteral("postgres")}; }

    // A fresh, empty archive place of the back end.
    ArchiveLocation newLocation(const QString& backend)
    {
        if (backend == QLatin1String("sqlite"))
            return ArchiveLocation::parse(m_dir.filePath(QStringLiteral("archive-%1.sqlite").arg(++m_files)));
        // A database of its own on the test server for each case.
        QString error;
        const QString address = freshPgDatabase(pgTestAddress(), QStringLiteral("archive_%1").arg(++m_files), &error);
        if (address.isEmpty())
            throw Error(error);
        return ArchiveLocation::parse(address);
    }

    void backends()
    {
        QTest::addColumn<QString>("backend");
        for (const QString& backend : backendNames())
            QTest::newRow(qPrintable(backend)) << backend;
    }

private Q_SLOTS:
    void appendReopenVerify_data() { backends(); }
    void appendReopenVerify()
    {
        QFETCH(QString, backend);
        const ArchiveLocation location = newLocation(backend);
        const RunRecord first = plateRun(QStringLiteral("Планшет 1"), 0, QStringLiteral("0,1"));
        {
            Archive archive(location);
            archive.open();
            QCOMPARE(archive.append(first), 1);
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 2"), 5)), 2);
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 3"), 10)), 3);
            // The same run sent again is stored once.
            QCOMPARE(archive.append(first), 1);
        }
        Archive archive(location);
        QCOMPARE(archive.runCount(), 3);
        const std::optional<StoredRun> stored = archive.run(1);
        QVERIFY(stored);
        const RunRecord& r = stored->record;
        QCOMPARE(r.uid, first.uid);
        QCOMPARE(r.plateName, QStringLiteral("Планшет 1"));
        QCOMPARE(r.executor, QStringLiteral("Иванова А. П."));
        QCOMPARE(r.host, QStringLiteral("reader-pc"));
        QCOMPARE(r.kit, Kit::K02);
        QCOMPARE(r.time.toString(Qt::ISODateWithMs), QStringLiteral("2026-12-01T10:00:00.000+03:00"));
        QCOMPARE(r.wells.size(), size_t(96));
        QCOMPARE(r.wells[0].name(), QStringLiteral("A1"));
        QCOMPARE(r.wells[0].layout, QStringLiteral("C+"));
        QCOMPARE(r.wells[0].density, QStringLiteral("0,1"));
        QCOMPARE(r.wells[4].layout, QStringLiteral("1.1"));
        QCOMPARE(r.wells[4].sample, 1);
        QCOMPARE(r.samples.size(), size_t(2));
        QCOMPARE(r.samples[1].name, QStringLiteral("Корова 18"));
        QCOMPARE(r.controls.size(), size_t(2));
        QCOMPARE(r.controls[0].control, QStringLiteral("C+"));
        QCOMPARE(r.controls[0].mean, 0.11);
        QCOMPARE(r.controls[0].wells, 2);
        QCOMPARE(r.controls[1].mean, 1.25);
        QVERIFY(r.messages.isEmpty());
        QCOMPARE(r.count(Verdict::Positive), 2);
        QCOMPARE(r.count(Verdict::Negative), 1);
        QCOMPARE(r.count(Verdict::Doubtful), 1);
        QCOMPARE(r.wells[5].value, 0.8);
        QCOMPARE(r.wells[5].verdict, Verdict::Doubtful);
        QCOMPARE(r.projectFile, first.projectFile);
        QCOMPARE(r.protocol, first.protocol);
        QCOMPARE(stored->previousHash, QByteArray());
        QCOMPARE(archive.run(2)->previousHash, stored->hash);
        QVERIFY(!archive.run(4));

        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, QStringLiteral("Все 3 записи архива целы."));
        QVERIFY(report.intact());
        QCOMPARE(report.runs, 3);
    }

    // A run whose protocol could not be made is stored without protocol
    // bytes, invalid by the stop among its messages, and verifies like any.
    void runWithoutProtocol_data() { backends(); }
    void runWithoutProtocol()
    {
        QFETCH(QString, backend);
        const ArchiveLocation location = newLocation(backend);
        Project project;
        layKit02Plate(project, QStringLiteral("Без протокола"), QStringLiteral("0,1"));
        project.sampleTable().setCell(2, 2, QStringLiteral("два"));
        const PlateResult result = calculatePlate(project, {});
        const RunRecord run =
            makeRunRecord(project, &result, runTime(), {QStringLiteral("reader-pc"), QStringLiteral("lab")});
        {
            Archive archive(location);
            QCOMPARE(archive.append(run), 1);
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 2"), 5)), 2);
        }
        Archive archive(location);
        const std::optional<StoredRun> stored = archive.run(1);
        QVERIFY(stored);
        QCOMPARE(stored->record.protocol, QByteArray());
        QCOMPARE(stored->record.messages, QStringList{"Протокол не составлен: 'два' is not a valid integer value"});
        QCOMPARE(stored->record.samples[1].quantity, QStringLiteral("два"));
        QCOMPARE(stored->record.count(Verdict::Positive), 2);
        QVERIFY(!archive.run(2)->record.protocol.isEmpty());
        QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
        PlainSql plain(location);
        QCOMPARE(plain.value(QStringLiteral("SELECT valid FROM runs WHERE seq = 1")).toInt(), 0);
    }

    // What verify says of an intact archive, by its number of runs. The runs
    // go in as one batch, as an import appends them.
    void intactMessage_data()
    {
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("message");
        QTest::newRow("none") << 0 << "Архив пуст: записей нет.";
        QTest::newRow("one") << 1 << "Единственная запись архива цела.";
        QTest::newRow("two") << 2 << "Все 2 записи архива целы.";
        QTest::newRow("five") << 5 << "Все 5 записей архива целы.";
        QTest::newRow("eleven") << 11 << "Все 11 записей архива целы.";
        QTest::newRow("twenty-one") << 21 << "Все записи архива целы (21 запись).";
        QTest::newRow("twenty-two") << 22 << "Все 22 записи архива целы.";
    }
    void intactMessage()
    {
        QFETCH(int, runs);
        QFETCH(QString, message);
        std::vector<RunRecord> batch;
        for (int i = 0; i < runs; ++i)
            batch.push_back(plateRun(QStringLiteral("Планшет %1").arg(i + 1), i));
        Archive archive(newLocation(QStringLiteral("sqlite")));
        std::vector<qint64> seqs = archive.append(batch);
        QCOMPARE(seqs.size(), size_t(runs));
        if (runs > 0)
            QCOMPARE(seqs.back(), qint64(runs));
        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, message);
        QCOMPARE(report.runs, qint64(runs));
        QVERIFY(report.intact());
    }

    // A record of other wells than the 96 of a plate in scan order (one made
    // by hand, or by an older version) is stored and verified as it is.
    void recordOfSomeWells_data() { backends(); }
    void recordOfSomeWells()
    {
        QFETCH(QString, backend);
        RunRecord run = plateRun(QStringLiteral("Планшет 1"));
        run.wells = {run.wells[9], run.wells[0], run.wells[95]};
        Archive archive(newLocation(backend));
        archive.append(run);
        archive.append(plateRun(QStringLiteral("Планшет 2")));
        QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
        QStringList wells;
        const std::optional<StoredRun> stored = archive.run(1);
        QVERIFY(stored);
        for (const ArchivedWell& well : stored->record.wells)
            wells.append(well.name() + QLatin1Char(' ') + well.layout);
        // Read back in the archive's order: column, then row.
        QCOMPARE(wells, (QStringList{"A1 C+", "B2  - ", "H12  - "}));
    }

    // Plain SQL changes the archive behind the program's back; verify names
    // the first run whose content or order changed.
    void tamper_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<qint64>("firstBad");
        QTest::addColumn<QString>("message");
        const QString changed =
            QStringLiteral("Запись 2 (планшет «Планшет 2», 2026-12-01 10:05): содержимое изменено.");
        const QString broken = QStringLiteral("Перед записью %1 удалена или переставлена запись: цепочка разорвана.");
        for (const QString& backend : backendNames()) {
            const auto row = [&](const char* name, const QStringList& statements, qint64 firstBad,
                                 const QString& message) {
                QTest::addRow("%s: %s", qPrintable(backend), name) << backend << statements << firstBad << message;
            };
            row("a density", {"UPDATE run_wells SET density = '1,9' WHERE seq = 2 AND col = 1 AND row = 1"}, 2,
                changed);
            row("a result value", {"UPDATE run_wells SET value = value + 0.001 WHERE seq = 2 AND col = 1 AND row = 5"},
                2, changed);
            row("a well deleted", {"DELETE FROM run_wells WHERE seq = 2 AND col = 12 AND row = 8"}, 2, changed);
            row("the journal's positive count", {"UPDATE runs SET positive = positive + 1 WHERE seq = 2"}, 2, changed);
            // Columns stored beside the hashed content: the journal's date and filter, a well's name.
            row("the journal's date", {"UPDATE runs SET time_utc = '2026-11-01T07:05:00.000Z' WHERE seq = 2"}, 2,
                changed);
            row("a well's name", {"UPDATE run_wells SET well = 'H12' WHERE seq = 2 AND col = 1 AND row = 1"}, 2,
                changed);
            row("a verdict no run writes",
                {"UPDATE run_wells SET verdict = 'maybe' WHERE seq = 2 AND verdict = 'none'"}, 2, changed);
            row("a run deleted",
                {"DELETE FROM run_wells WHERE seq = 2", "DELETE FROM run_samples WHERE seq = 2",
                 "DELETE FROM run_controls WHERE seq = 2", "DELETE FROM runs WHERE seq = 2"},
                3, broken.arg(3));
            row("two runs swapped",
                {"UPDATE runs SET seq = -2 WHERE seq = 2", "UPDATE runs SET seq = 2 WHERE seq = 3",
                 "UPDATE runs SET seq = 3 WHERE seq = -2"},
                2, broken.arg(2));
            row("the last run deleted", {"DELETE FROM runs WHERE seq = 3"}, 3,
                QStringLiteral("После записи 2 удалены записи: архив помнит их до записи 3."));
        }
    }
    void tamper()
    {
        QFETCH(QString, backend);
        QFETCH(QStringList, statements);
        QFETCH(qint64, firstBad);
        QFETCH(QString, message);
        const ArchiveLocation location = newLocation(backend);
        {
            Archive archive(location);
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), 5 * i));
            QVERIFY(archive.verify().intact());
        }
        {
            PlainSql plain(location);
            QCOMPARE(plain.run(statements), QString());
        }
        Archive archive(location);
        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, message);
        QCOMPARE(report.firstBad, firstBad);
    }

    // A row the chain does not account for (a run numbered 0 or -7 beside
    // runs 1-3, a well of no run, a meta key Pleq never writes) fails
    // verify, anchored or not, and neither the journal nor the control
    // charts show it.
    void rowOutsideChain_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<bool>("anchored");
        QTest::addColumn<qint64>("firstBad");
        QTest::addColumn<QString>("message");
        const auto forged = [](int seq) {
            const QString columns = QStringLiteral(
                "time, time_utc, executor, host, os_user, kit, material, sample_count, positive, negative,"
                " doubtful, valid, labels, messages, log, project_file, protocol, prev_hash, hash, sample_names");
            return QStringList{
                QStringLiteral("INSERT INTO runs (seq, uid, plate_name, %1) "
                               "SELECT %2, 'forged %2', 'Подлог', %1 FROM runs WHERE seq = 2")
                    .arg(columns)
                    .arg(seq),
                QStringLiteral("INSERT INTO run_controls (seq, position, control, mean, wells) "
                               "SELECT %1, position, control, mean + 5, wells FROM run_controls WHERE seq = 2")
                    .arg(seq)};
        };
        for (const QString& backend : backendNames()) {
            for (const bool anchored : {false, true}) {
                const auto row = [&](const char* name, const QStringList& statements, qint64 firstBad,
                                     const char* message) {
                    QTest::addRow("%s: %s%s", qPrintable(backend), name, anchored ? ", anchored" : "")
                        << backend << statements << anchored << firstBad << QString::fromUtf8(message);
                };
                row("a run at 0", forged(0), 0, "Запись 0 (планшет «Подлог») вне цепочки (записи 1–3): архив изменен.");
                row("a run at -7", forged(-7), -7,
                    "Запись -7 (планшет «Подлог») вне цепочки (записи 1–3): архив изменен.");
                row("a meta key", {"INSERT INTO meta (key, value) VALUES ('owner', 'x')"}, 4,
                    "Строка «owner» таблицы meta не из архива Pleq: архив изменен.");
                // PostgreSQL keeps its foreign keys whoever writes; a file's are off for a plain connection.
                if (backend == QLatin1String("sqlite"))
                    row("a well of no run",
                        {"INSERT INTO run_wells (seq, col, row, well, layout, density, value, verdict, kind, sample)"
                         " VALUES (9, 1, 1, 'A1', 'C+', '0,1', 0.1, 'none', 'control', NULL)"},
                        9, "Строки таблицы run_wells с номером записи 9 вне цепочки (записи 1–3): архив изменен.");
            }
        }
    }
    void rowOutsideChain()
    {
        QFETCH(QString, backend);
        QFETCH(QStringList, statements);
        QFETCH(bool, anchored);
        QFETCH(qint64, firstBad);
        QFETCH(QString, message);
        const ArchiveLocation location = newLocation(backend);
        std::vector<Anchor> anchors;
        {
            Archive archive(location);
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), 5 * i));
            if (anchored) {
                const QString file = m_dir.filePath(QStringLiteral("anchors-%1.txt").arg(m_files));
                appendAnchor(file, headAnchor(archive));
                anchors = readAnchors(file);
            }
        }
        {
            PlainSql plain(location);
            QCOMPARE(plain.run(statements), QString());
        }
        Archive archive(location);
        const VerifyReport report = archive.verify();
        QCOMPARE(report.message, message);
        QCOMPARE(report.firstBad, firstBad);
        if (anchored)
            QCOMPARE(checkAnchors(archive, anchors), QString()); // the anchored runs stand: only verify finds it
        QStringList points;
        for (const ControlPoint& p : archive.controlSeries(Kit::K02))
            points.append(QStringLiteral("%1 %2").arg(p.seq).arg(p.control));
        QCOMPARE(points.join(QStringLiteral(", ")), QStringLiteral("1 C+, 1 C-, 2 C+, 2 C-, 3 C+, 3 C-"));
        JournalReader journal(location);
        journal.select(JournalFilter());
        QStringList seqs;
        for (const JournalRow& row : journal.read(10))
            seqs.append(row[0].toString());
        QCOMPARE(seqs.join(QLatin1Char(' ')), QStringLiteral("3 2 1"));
        QCOMPARE(journal.executors(), QStringList{QStringLiteral("Иванова А. П.")});
    }

    // Verify while other processes append: each verify checks the runs
    // committed when it began and finds them intact, never a false alarm.
    void verifyWhileAppending_data() { backends(); }
    void verifyWhileAppending()
    {
        QFETCH(QString, backend);
        const ArchiveLocation location = newLocation(backend);
        Archive archive(location);
        archive.open();
        std::vector<std::unique_ptr<QProcess>> writers;
        for (int w = 0; w < 2; ++w) {
            auto process = std::make_unique<QProcess>();
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("PLEQ_ARCHIVE_QUEUE"),
                       m_dir.filePath(QStringLiteral("queue-%1-%2.sqlite").arg(m_files).arg(w)));
            process->setProcessEnvironment(env);
            process->start(QStringLiteral(PLEQ_STRESS_APPEND),
                           {location.displayName(), QStringLiteral("w%1").arg(w), QStringLiteral("150"),
                            QStringLiteral(PLEQ_STRESS_PROJECT)});
            QVERIFY2(process->waitForStarted(), qPrintable(process->errorString()));
            writers.push_back(std::move(process));
        }
        const auto writing = [&] {
            return std::any_of(writers.begin(), writers.end(),
                               [](const auto& p) { return p->state() != QProcess::NotRunning; });
        };
        int verifiesWhileWriting = 0;
        qint64 seen = 0;
        const QDeadlineTimer deadline(60000);
        while (writing() && !deadline.hasExpired()) {
            const VerifyReport report = archive.verify();
            QVERIFY2(report.intact(), qPrintable(report.message));
            QVERIFY(report.runs >= seen);
            seen = report.runs;
            ++verifiesWhileWriting;
            for (const auto& process : writers)
                process->waitForFinished(0);
        }
        for (const auto& process : writers) {
            QVERIFY2(process->state() == QProcess::NotRunning
                         || process->waitForFinished(int(deadline.remainingTime())),
                     "a writer did not end within a minute");
            QCOMPARE(process->exitCode(), 0);
        }
        QVERIFY2(verifiesWhileWriting >= 2, qPrintable(QString::number(verifiesWhileWriting)));
        const VerifyReport last = archive.verify();
        QCOMPARE(last.message, QStringLiteral("Все 300 записей архива целы."));
    }

    // An anchor kept outside the database catches what the chain cannot:
    // the last runs removed with the head set back, or a run changed with
    // every later hash made anew by the documented rule.
    void anchors_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("attack");
        QTest::addColumn<QString>("failure"); // after the anchor line; empty: every anchor holds
        for (const QString& backend : backendNames()) {
            const auto row = [&](const char* attack, const char* failure) {
                QTest::addRow("%s: %s", qPrintable(backend), attack) << backend << attack << QString::fromUtf8(failure);
            };
            row("none", "");
            row("last run removed, head set back", "»: записи 3 в архиве нет: записи удалены.");
            row("run rewritten, later hashes made anew", "»: запись 3 не та, что была заякорена: архив изменен.");
        }
    }
    void anchors()
    {
        QFETCH(QString, backend);
        QFETCH(QString, attack);
        QFETCH(QString, failure);
        const ArchiveLocation location = newLocation(backend);
        QString anchor;
        {
            Archive archive(location);
            QCOMPARE(errorOf([&] { headAnchor(archive); }),
                     QStringLiteral("Архив %1: архив пуст, якорь не нужен").arg(location.displayName()));
            for (int i = 0; i < 3; ++i)
                archive.append(plateRun(QStringLiteral("Планшет %1").arg(i + 1), 5 * i));
            anchor = headAnchor(archive);
        }
        QVERIFY2(
            QRegularExpression(QStringLiteral("^3 2026-12-01T07:10:00\\.000Z [0-9a-f]{64}$")).match(anchor).hasMatch(),
            qPrintable(anchor));
        const QString file = m_dir.filePath(QStringLiteral("anchors-%1.txt").arg(m_files));
        appendAnchor(file, QStringLiteral("# the head on paper, first 16 digits"));
        appendAnchor(file, anchor.left(anchor.size() - 48));

        if (attack == QLatin1String("last run removed, head set back")) {
            PlainSql plain(location);
            QCOMPARE(plain.run({"DELETE FROM run_wells WHERE seq = 3", "DELETE FROM run_samples WHERE seq = 3",
                                "DELETE FROM run_controls WHERE seq = 3", "DELETE FROM runs WHERE seq = 3",
                                "UPDATE chain_head SET seq = 2, hash = (SELECT hash FROM runs WHERE seq = 2)"}),
                     QString());
        } else if (attack == QLatin1String("run rewritten, later hashes made anew")) {
            Archive archive(location);
            std::vector<StoredRun> runs = archive.runs(1, 3);
            runs[1].record.plateName = QStringLiteral("Подмена");
            const QByteArray second = runHash(runs[1].record, runs[0].hash);
            const QByteArray third = runHash(runs[2].record, second);
            PlainSql plain(location);
            QCOMPARE(plain.run({"UPDATE runs SET plate_name = 'Подмена', hash = '" + second + "' WHERE seq = 2",
                                "UPDATE runs SET prev_hash = '" + second + "', hash = '" + third + "' WHERE seq = 3",
                                "UPDATE chain_head SET hash = '" + third + "'"}),
                     QString());
        }
        Archive archive(location);
        QVERIFY(archive.verify().intact()); // the chain alone cannot tell
        const std::vector<Anchor> anchors = readAnchors(file);
        QCOMPARE(anchors.size(), size_t(1));
        QCOMPARE(checkAnchors(archive, anchors),
                 failure.isEmpty() ? QString() : QStringLiteral("Якорь «%1").arg(anchors[0].line) + failure);
    }

    // A database that holds another program's tables is refused by every
    // command, the first words naming it, and left as it was: no table made,
    // no write-ahead log switched on.
    void foreignDatabaseRefused_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<bool>("archived"); // the other program's objects join an archive of Pleq's
        QTest::addColumn<QStringList>("statements");
        QTest::addColumn<QString>("objects"); // as the refusal names them
        for (const QString& backend : backendNames()) {
            const auto row = [&](const char* name, bool archived, const QStringList& statements, const char* objects) {
                QTest::addRow("%s: %s", qPrintable(backend), name)
                    << backend << archived << statements << QString::fromUtf8(objects);
            };
            row("a table of its own", false,
                {"CREATE TABLE notes (id INTEGER, text TEXT)", "INSERT INTO notes VALUES (1, 'заметка')"}, "notes");
            // A table called meta with a schema version is still not Pleq's.
            row("a meta table of its own", false,
                {"CREATE TABLE meta (key TEXT, value TEXT)", "INSERT INTO meta VALUES ('schema_version', '7')",
                 "CREATE TABLE runs (id INTEGER)"},
                "meta, runs");
            row("Pleq's tables and one of another program", true, {"CREATE TABLE notes (id INTEGER)"}, "notes");
            row("a view only", false, {"CREATE VIEW answer AS SELECT 42 AS n"}, "представление answer");
            if (backend == QLatin1String("sqlite"))
                continue;
            row("a table named in capitals", false, {"CREATE TABLE \"Invoices\" (id INTEGER)"}, "Invoices");
            row("a table named pg_", false, {"CREATE TABLE pg_notes (id INTEGER)"}, "pg_notes");
            row("a materialized view only", false, {"CREATE MATERIALIZED VIEW totals AS SELECT 1 AS n"},
                "материализованное представление totals");
            row("a sequence only", false, {"CREATE SEQUENCE invoice_numbers"}, "последовательность invoice_numbers");
            row("a type only", false, {"CREATE TYPE mood AS ENUM ('ok')"}, "тип mood");
            row("a function only", false, {"CREATE FUNCTION answer() RETURNS integer LANGUAGE sql AS 'SELECT 42'"},
                "функция answer");
            row("a partitioned table only", false, {"CREATE TABLE measures (d date) PARTITION BY RANGE (d)"},
                "секционированная таблица measures");
            row("a function beside Pleq's tables", true,
                {"CREATE FUNCTION answer() RETURNS integer LANGUAGE sql AS 'SELECT 42'"}, "функция answer");
        }
    }
    void foreignDatabaseRefused()
    {
        QFETCH(QString, backend);
        QFETCH(bool, archived);
        QFETCH(QStringList, statements);
        QFETCH(QString, objects);
        const ArchiveLocation location = newLocation(backend);
        const bool sqlite = backend == QLatin1String("sqlite");
        if (archived)
            Archive(location).append(plateRun(QStringLiteral("Планшет 1")));
        {
            PlainSql plain(location);
            QCOMPARE(plain.run(statements), QString());
        }
        const QString catalogue = QStringLiteral("SELECT string_agg(relname || ' ' || relkind, ', ' ORDER BY relname) "
                                                 "FROM pg_class WHERE relnamespace = 'public'::regnamespace");
        const QByteArray before = sqlite ? fileBytes(location.path) : QByteArray();
        const QString listed = sqlite ? QString() : PlainSql(location).value(catalogue).toString();
        const QString refused = QStringLiteral("Архив %1: это не архив Pleq, база данных принадлежит другой программе "
                                               "(таблицы: %2); Pleq ее не изменяет")
                                    .arg(location.displayName(), objects);
        {
            Archive archive(location);
            QCOMPARE(errorOf([&] { archive.append(plateRun(QStringLiteral("Планшет 2"))); }), refused);
            QCOMPARE(errorOf([&] { archive.verify(); }), refused);
            Archive source(newLocation(QStringLiteral("sqlite")));
            source.append(plateRun(QStringLiteral("Планшет 1")));
            QCOMPARE(errorOf([&] { copyArchive(source, archive); }), refused);
        }
        if (sqlite) {
            QCOMPARE(fileBytes(location.path), before);
            QVERIFY(!QFile::exists(location.path + QStringLiteral("-wal")));
        } else {
            QCOMPARE(PlainSql(location).value(catalogue).toString(), listed);
        }
    }

    // An archive made before Pleq marked its databases (schema version 2, no
    // mark) opens, verifies and is marked on its next write; one of version 3
    // without the mark is refused, untouched.
    void markOfPleq_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("refusal"); // empty: taken and marked
        for (const QString& backend : backendNames()) {
            QTest::addRow("%s: before the mark", qPrintable(backend)) << backend << "2"
                                                                      << "";
            QTest::addRow("%s: unmarked", qPrintable(backend))
                << backend << "3"
                << "нет метки архива Pleq (версия схемы 3): база данных не принимается; Pleq ее не изменяет";
        }
    }
    void markOfPleq()
    {
        QFETCH(QString, backend);
        QFETCH(QString, version);
        QFETCH(QString, refusal);
        const ArchiveLocation location = newLocation(backend);
        const bool sqlite = backend == QLatin1String("sqlite");
        Archive(location).append(plateRun(QStringLiteral("Планшет 1")));
        const QString mark = sqlite ? QStringLiteral("PRAGMA application_id")
                                    : QStringLiteral("SELECT obj_description('meta'::regclass, 'pg_class')");
        {
            PlainSql plain(location);
            QCOMPARE(plain.value(mark).toString(),
                     sqlite ? QStringLiteral("1349281137") : QStringLiteral("Pleq run archive"));
            QCOMPARE(
                plain.run({sqlite ? QStringLiteral("PRAGMA application_id = 0")
                                  : QStringLiteral("COMMENT ON TABLE meta IS NULL"),
                           QStringLiteral("UPDATE meta SET value = '%1' WHERE key = 'schema_version'").arg(version)}),
                QString());
        }
        Archive archive(location);
        if (!refusal.isEmpty()) {
            const QString refused = QStringLiteral("Архив %1: ").arg(location.displayName()) + refusal;
            QCOMPARE(errorOf([&] { archive.verify(); }), refused);
            QCOMPARE(errorOf([&] { archive.append(plateRun(QStringLiteral("Планшет 2"), 5)); }), refused);
            PlainSql plain(location);
            QCOMPARE(plain.value(mark).toString(), sqlite ? QStringLiteral("0") : QString());
            return;
        }
        QCOMPARE(archive.verify().message, QStringLiteral("Единственная запись архива цела."));
        QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 2"), 5)), 2);
        PlainSql plain(location);
        QCOMPARE(plain.value(mark).toString(),
                 sqlite ? QStringLiteral("1349281137") : QStringLiteral("Pleq run archive"));
        QCOMPARE(plain.value(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")).toString(),
                 QStringLiteral("3"));
    }

    // Verify of an empty database says so and makes nothing; the first
    // append makes the archive in it.
    void emptyDatabaseVerified_data() { backends(); }
    void emptyDatabaseVerified()
    {
        QFETCH(QString, backend);
        const ArchiveLocation location = newLocation(backend);
        if (backend == QLatin1String("sqlite")) {
            QFile file(location.path);
            QVERIFY(file.open(QIODevice::WriteOnly)); // an empty file, as a user's touch leaves it
        }
        {
            Archive archive(location);
            QCOMPARE(archive.verify().message, QStringLiteral("Архив пуст: записей нет."));
        }
        if (backend == QLatin1String("sqlite")) {
            QCOMPARE(QFileInfo(location.path).size(), 0);
        } else {
            PlainSql plain(location);
            QCOMPARE(plain
                         .value(QStringLiteral(
                             "SELECT count(*) FROM information_schema.tables WHERE table_schema = 'public'"))
                         .toInt(),
                     0);
        }
        Archive archive(location);
        QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 1"))), 1);
        QCOMPARE(archive.verify().message, QStringLiteral("Единственная запись архива цела."));
    }

    // A version-1 archive (no runs.sample_names, no index on the executor)
    // made with that version's statements and holding two runs opens as
    // version 2 with the sample names filled and the chain intact.
    void upgradeFromVersion1()
    {
        const QString source = m_dir.filePath(QStringLiteral("version2.sqlite"));
        {
            Archive archive(ArchiveLocation::parse(source));
            archive.append(plateRun(QStringLiteral("Планшет 1")));
            archive.append(plateRun(QStringLiteral("Планшет 2"), 5));
        }
        const QString path = m_dir.filePath(QStringLiteral("version1.sqlite"));
        {
            PlainSql plain(path);
            QCOMPARE(plain.run(schema::version1(dialectFor(ArchiveLocation::Kind::Sqlite))), QString());
            const QString v1Runs = QStringLiteral(
                "seq, uid, time, time_utc, executor, host, os_user, kit, plate_name, material, sample_count, positive,"
                " negative, doubtful, valid, labels, messages, log, project_file, protocol, prev_hash, hash");
            QCOMPARE(
                plain.run({QStringLiteral("ATTACH '%1' AS src").arg(source),
                           QStringLiteral("INSERT INTO runs (%1) SELECT %1 FROM src.runs").arg(v1Runs),
                           QStringLiteral("INSERT INTO run_wells SELECT * FROM src.run_wells"),
                           QStringLiteral("INSERT INTO run_samples SELECT * FROM src.run_samples"),
                           QStringLiteral("INSERT INTO run_controls SELECT * FROM src.run_controls"),
                           QStringLiteral("UPDATE chain_head SET seq = 2, hash = (SELECT hash FROM src.chain_head)"),
                           QStringLiteral("DETACH src")}),
                QString());
            QCOMPARE(plain.value(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")).toString(),
                     QStringLiteral("1"));
        }
        {
            Archive archive(ArchiveLocation::parse(path));
            QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));
            QCOMPARE(archive.append(plateRun(QStringLiteral("Планшет 3"), 10)), 3);
        }
        PlainSql plain(path);
        QCOMPARE(plain.value(QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'")).toString(),
                 QStringLiteral("3"));
        QCOMPARE(plain.value(QStringLiteral("PRAGMA application_id")).toInt(), 1349281137);
        QCOMPARE(plain.value(QStringLiteral("SELECT sample_names FROM runs WHERE seq = 1")).toString(),
                 QStringLiteral("Корова 17\nКорова 18"));
        QCOMPARE(plain
                     .value(QStringLiteral(
                         "SELECT COUNT(*) FROM runs WHERE sample_names = 'Корова 17' || char(10) || 'Корова 18'"))
                     .toInt(),
                 3);
        QCOMPARE(plain.value(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE name = 'runs_executor'")).toInt(),
                 1);
        QCOMPARE(plain.value(QStringLiteral("PRAGMA journal_mode")).toString(), QStringLiteral("wal"));
    }

    // An archive of a later schema version is refused, not changed.
    void newerVersionRefused()
    {
        const QString path = m_dir.filePath(QStringLiteral("version4.sqlite"));
        {
            Archive archive(ArchiveLocation::parse(path));
            archive.open();
        }
        {
            PlainSql plain(path);
            QCOMPARE(plain.run({QStringLiteral("UPDATE meta SET value = '4' WHERE key = 'schema_version'")}),
                     QString());
        }
        Archive archive(ArchiveLocation::parse(path));
        QCOMPARE(
            errorOf([&] { archive.open(); }),
            QStringLiteral("Архив %1: архив создан более новой версией Pleq (версия схемы 4, эта версия знает до 3)")
                .arg(QDir::toNativeSeparators(path)));
    }

    // The control chart's points: one per control and run of the kit, in
    // chain order, limited by the record time (either bound may be open).
    void controlSeries_data()
    {
        QTest::addColumn<QString>("backend");
        QTest::addColumn<QDateTime>("from");
        QTest::addColumn<QDateTime>("to");
        QTest::addColumn<QString>("points");
        for (const QString& backend : backendNames()) {
            const auto row = [&](const char* name, const QDateTime& from, const QDateTime& to, const char* points) {
                QTest::addRow("%s: %s", qPrintable(backend), name)
                    << backend << from << to << QString::fromUtf8(points);
            };
            row("all", {}, {},
                "1 10:00 C+ 0.11; 1 10:00 C- 1.25; 3 10:10 C+ 0.16; 3 10:10 C- 1.25; 4 10:15 C+ 0.12; 4 10:15 C- 1.25");
            // 10:10 at UTC+3 is 07:10 UTC: bounds compare instants, whatever their offset.
            row("from 07:10 UTC", QDateTime(QDate(2026, 12, 1), QTime(7, 10), QTimeZone::utc()), {},
                "3 10:10 C+ 0.16; 3 10:10 C- 1.25; 4 10:15 C+ 0.12; 4 10:15 C- 1.25");
            row("to 10:10", {}, runTime(10), "1 10:00 C+ 0.11; 1 10:00 C- 1.25; 3 10:10 C+ 0.16; 3 10:10 C- 1.25");
            row("nothing in range", runTime(16), runTime(60), "");
        }
    }
    void controlSeries()
    {
        QFETCH(QString, backend);
        QFETCH(QDateTime, from);
        QFETCH(QDateTime, to);
        QFETCH(QString, points);
        Archive archive(newLocation(backend));
        archive.append(plateRun(QStringLiteral("Планшет 1"), 0, QStringLiteral("0,1")));
        RunRecord other = plateRun(QStringLiteral("Набор 03"), 5);
        other.kit = Kit::K03; // another kit's run between them is no point of kit 02
        archive.append(other);
        archive.append(plateRun(QStringLiteral("Планшет 3"), 10, QStringLiteral("0,2")));
        // An unreadable density is left out of the mean.
        archive.append(plateRun(QStringLiteral("Планшет 4"), 15, QStringLiteral("OVRFLW")));
        QStringList got;
        for (const ControlPoint& p : archive.controlSeries(Kit::K02, from, to))
            got.append(QStringLiteral("%1 %2 %3 %4")
                           .arg(p.seq)
                           .arg(p.time.toString(QStringLiteral("HH:mm")), p.control)
                           .arg(p.mean));
        QCOMPARE(got.join(QStringLiteral("; ")), points);
    }
};

QTEST_GUILESS_MAIN(TestArchive)
#include "tst_archive.moc"
