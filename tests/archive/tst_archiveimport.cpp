#include "archivefixture.h"

#include "archive/operations.h"
#include "core/files/projectfile.h"
#include "support/clirun.h"
#include "support/texts.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>

#include <memory>
#include <vector>

using namespace pleq;
using namespace pleq::test;

namespace {

const QString Protocols = QStringLiteral(PLEQ_SOURCE_DIR "/tests/files/fixtures/protocol/");

void put(const QString& path, const QByteArray& bytes, const QDateTime& time = {})
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.flush(); // a later write would set the time again
    if (time.isValid())
        QVERIFY(file.setFileTime(time, QFileDevice::FileModificationTime));
}

QByteArray fixture(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestArchiveImport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    // A lab's folder: two good projects (one in a subfolder), a file that is
    // no project, a project of an unknown kit, a text file that is no .plq.
    QString labFolder()
    {
        const QString root = m_dir.filePath(QStringLiteral("lab"));
        Project plate;
        layKit02Plate(plate, QStringLiteral("Планшет 11"), QStringLiteral("0,1"));
        put(root + QStringLiteral("/2026-11/plate-a.plq"), writeProjectFile(plate),
            QDateTime(QDate(2026, 11, 3), QTime(9, 15), QTimeZone::utc()));
        put(root + QStringLiteral("/2026-12/old/plate-b.PLQ"), fixture(Protocols + QStringLiteral("kit05/project.plq")),
            QDateTime(QDate(2026, 12, 1), QTime(14, 0), QTimeZone::utc()));
        put(root + QStringLiteral("/2026-12/broken.plq"), QByteArray("garbage\r\n"));
        put(root + QStringLiteral("/2026-12/kit-07.plq"),
            fixture(QStringLiteral(PLEQ_SOURCE_DIR "/tests/files/fixtures/kit-07.plq")));
        put(root + QStringLiteral("/2026-12/notes.txt"), QByteArray("no project\r\n"));
        return root;
    }

private Q_SLOTS:
    void initTestCase()
    {
        qunsetenv("PLEQ_ARCHIVE");
        qputenv("TZ", "UTC"); // a file's time is its local time: the messages show it in UTC here
    }

    // Every *.plq under the folder is archived with its file's time, a file
    // that does not open is listed and skipped, and a second import of the
    // same folder stores nothing twice.
    void importLabFolder()
    {
        const QString root = labFolder();
        Archive archive(ArchiveLocation::parse(m_dir.filePath(QStringLiteral("import.sqlite"))));
        QList<int> progress;
        ImportReport report =
            pleq::importFolder(archive, {root}, [&](int done, int total) { progress << done << total; });
        QCOMPARE(report.files, 4);
        QCOMPARE(report.archived, 2);
        QCOMPARE(report.already, 0);
        QCOMPARE(report.failures, (QStringList{QDir::toNativeSeparators(root + "/2026-12/broken.plq")
                                                   + ": '' is not a valid integer value",
                                               QDir::toNativeSeparators(root + "/2026-12/kit-07.plq")
                                                   + ": Line 2 names no kit: '7' is not a kit number from 1 to 5"}));
        QCOMPARE(progress, (QList<int>{4, 4}));

        // Path order: 2026-11/plate-a.plq, then 2026-12/old/plate-b.PLQ.
        const RunRecord first = archive.run(1)->record;
        QCOMPARE(first.kit, Kit::K02);
        QCOMPARE(first.time.toUTC(), QDateTime(QDate(2026, 11, 3), QTime(9, 15), QTimeZone::utc()));
        QCOMPARE(first.projectFile, fixture(root + QStringLiteral("/2026-11/plate-a.plq")));
        const RunRecord second = archive.run(2)->record;
        QCOMPARE(second.kit, Kit::K05);
        QCOMPARE(second.time.toUTC(), QDateTime(QDate(2026, 12, 1), QTime(14, 0), QTimeZone::utc()));

        report = pleq::importFolder(archive, {root});
        QCOMPARE(report.archived, 0);
        QCOMPARE(report.already, 2);
        QCOMPARE(archive.runCount(), 2);
        QCOMPARE(archive.verify().message, QStringLiteral("Все 2 записи архива целы."));

        QCOMPARE(errorOf([&] { pleq::importFolder(archive, {m_dir.filePath(QStringLiteral("missing"))}); }),
                 QStringLiteral("Папка «%1» не найдена").arg(m_dir.filePath(QStringLiteral("missing"))));
    }

    // A plate is its project bytes and time: the same folder reached through
    // a link, copied with its times kept, or imported by an earlier version
    // (whose uids held the path) is stored once, and the counts are this
    // import's.
    void importSamePlatesElsewhere_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("through a link") << "link";
        QTest::newRow("a copy with its times") << "copy";
        QTest::newRow("imported by path before") << "path uid";
    }
    void importSamePlatesElsewhere()
    {
        QFETCH(QString, how);
#ifdef Q_OS_WIN
        if (how == QLatin1String("link"))
            QSKIP("On Windows QFile::link makes a shortcut, a file that no program follows as a folder; a symbolic "
                  "link needs rights a test does not have");
#endif
        const QString root = labFolder();
        Archive archive(
            ArchiveLocation::parse(m_dir.filePath(QStringLiteral("same-%1.sqlite").arg(QTest::currentDataTag()))));
        if (how == QLatin1String("path uid")) {
            // As an earlier import stored the first plate: its uid from its path, time and bytes.
            const QString path = root + QStringLiteral("/2026-11/plate-a.plq");
            Project project;
            openProject(project, path);
            const PlateResult result = calculatePlate(project, {});
            RunRecord record = makeRunRecord(project, &result, QFileInfo(path).lastModified(), {});
            const QByteArray key = QFileInfo(path).absoluteFilePath().toUtf8() + '\n'
                                   + runTimeUtcText(record.time).toUtf8() + '\n'
                                   + QCryptographicHash::hash(record.projectFile, QCryptographicHash::Sha256).toHex();
            record.uid =
                QUuid::createUuidV5(QUuid::fromString(QLatin1String("{6f1d2f0e-5b8a-4c3e-9a51-0c5e4b7d2a10}")), key)
                    .toString(QUuid::WithoutBraces);
            archive.append(record);
        } else {
            QCOMPARE(pleq::importFolder(archive, {root}).archived, 2);
        }
        QString other = m_dir.filePath(QStringLiteral("other-%1").arg(QTest::currentDataTag()));
        if (how == QLatin1String("link")) {
            QVERIFY(QFile::link(root, other));
        } else if (how == QLatin1String("copy")) {
            for (const QString& name :
                 {QStringLiteral("/2026-11/plate-a.plq"), QStringLiteral("/2026-12/old/plate-b.PLQ")})
                put(other + name, fixture(root + name), QFileInfo(root + name).lastModified());
        } else {
            other = root; // the same folder again
        }
        const ImportReport report = pleq::importFolder(archive, {other});
        QCOMPARE(report.archived, how == QLatin1String("path uid") ? 1 : 0);
        QCOMPARE(report.already, how == QLatin1String("path uid") ? 1 : 2);
        QCOMPARE(archive.runCount(), 2);
    }

    // Every file that opens is archived, whatever stopped its calculation
    // or its protocol; a file archived without its protocol is named.
    void importKeepsEveryFileThatOpens()
    {
        const QString root = m_dir.filePath(QStringLiteral("every"));
        Project plate;
        layKit02Plate(plate, QStringLiteral("Без протокола"), QStringLiteral("0,1"));
        plate.sampleTable().setCell(2, 1, QStringLiteral("1,5"));
        put(root + QStringLiteral("/a-no-protocol.plq"), writeProjectFile(plate));
        layKit02Plate(plate, QStringLiteral("Вписано в пустую лунку"), QStringLiteral("0,1"));
        plate.densityTable().setCell(2, 1, QStringLiteral("0,05")); // A2, laid out " - "
        put(root + QStringLiteral("/b-typed.plq"), writeProjectFile(plate));
        layKit02Plate(plate, QStringLiteral("Расчет остановлен"), QStringLiteral("0,1"));
        plate.densityTable().setCell(1, 2, QStringLiteral("abc"));
        put(root + QStringLiteral("/c-stopped.plq"), writeProjectFile(plate));
        put(root + QStringLiteral("/d-broken.plq"), QByteArray("garbage\r\n"));

        const QString path = m_dir.filePath(QStringLiteral("every.sqlite"));
        // A Russian locale: the protocol's decimal comma.
        const CliRun run = runCli({"archive", "import", root, "--archive", path}, 60000, QStringLiteral("ru_RU.UTF-8"));
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("%1: файлов 4, записано в архив 3, уже были в архиве 0, "
                                                            "пропущено с ошибками 1.\n")
                                                 .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(run.err,
                 QDir::toNativeSeparators(
                     QStringLiteral("4 из 4\n%1/d-broken.plq: '' is not a valid integer value\n"
                                    "%1/a-no-protocol.plq: Протокол не составлен: '1,5' is not a valid integer value\n")
                         .arg(root)));
        QCOMPARE(run.status, 1);

        Archive archive(ArchiveLocation::parse(path));
        QCOMPARE(archive.verify().message, QStringLiteral("Все 3 записи архива целы."));
        const RunRecord noProtocol = archive.run(1)->record;
        QCOMPARE(noProtocol.plateName, QStringLiteral("Без протокола"));
        QCOMPARE(noProtocol.protocol, QByteArray());
        QCOMPARE(noProtocol.messages, QStringList{"Протокол не составлен: '1,5' is not a valid integer value"});
        const RunRecord typed = archive.run(2)->record;
#ifdef Q_OS_WIN
        // On Windows the decimal mark is the user's setting, which LC_ALL does not set.
        QVERIFY2(typed.protocol.contains("      [A,2] - 0,05 ([ - ] )\r\n")
                     || typed.protocol.contains("      [A,2] - 0.05 ([ - ] )\r\n"),
                 typed.protocol.constData());
#else
        QVERIFY2(typed.protocol.contains("      [A,2] - 0,05 ([ - ] )\r\n"), typed.protocol.constData());
#endif
        QCOMPARE(typed.messages, QStringList());
        const RunRecord stopped = archive.run(3)->record;
        QCOMPARE(stopped.messages, QStringList{"'abc' is not a valid floating point value"});
        QVERIFY(!stopped.protocol.isEmpty());
    }

    // pleq-cli archive: add, import and verify, with --archive or PLEQ_ARCHIVE.
    void commandLine()
    {
        const QString root = labFolder();
        const QString path = m_dir.filePath(QStringLiteral("cli.sqlite"));
        const QString project = root + QStringLiteral("/2026-11/plate-a.plq");

        CliRun run = runCli({"archive", "add", project, "--archive", path});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QStringLiteral("Планшет «Планшет 11» в архиве %1: запись 1.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, 0);
        // The same file added again (an add killed after its commit, run again): the same run.
        run = runCli({"archive", "add", project, "--archive", path});
        QCOMPARE(run.out, QStringLiteral("Планшет «Планшет 11» в архиве %1: запись 1.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, 0);

        run = runCli({"archive", "import", "--archive", path, root});
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QStringLiteral("%1: файлов 4, записано в архив 2, уже были в архиве 0, "
                                         "пропущено с ошибками 2.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.err,
                 QDir::toNativeSeparators(
                     QStringLiteral("4 из 4\n%1/2026-12/broken.plq: '' is not a valid integer value\n"
                                    "%1/2026-12/kit-07.plq: Line 2 names no kit: '7' is not a kit number from 1 to 5\n")
                         .arg(root)));

        qputenv("PLEQ_ARCHIVE", path.toUtf8());
        run = runCli({"archive", "verify"});
        QCOMPARE(run.out,
                 QStringLiteral("%1: Все 3 записи архива целы.\n").arg(QDir::toNativeSeparators(path)).toUtf8());
        QCOMPARE(run.status, 0);
        // The head appended to a file of anchors, and verify checks it.
        const QString anchors = m_dir.filePath(QStringLiteral("anchors.txt"));
        run = runCli({"archive", "anchor", "-o", anchors});
        QCOMPARE(run.status, 0);
        const QString anchor = QString::fromUtf8(fileBytes(anchors)).trimmed();
        QVERIFY2(anchor.startsWith(QLatin1String("3 ")) && anchor.size() == 2 + 24 + 1 + 64, qPrintable(anchor));
        QCOMPARE(run.out,
                 QStringLiteral("Якорь добавлен в %1: %2\n").arg(QDir::toNativeSeparators(anchors), anchor).toUtf8());
        run = runCli({"archive", "verify", "--anchor", anchors});
        QCOMPARE(run.out, QStringLiteral("%1: Все 3 записи архива целы. Якоря совпадают: 1.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, 0);
        {
            PlainSql plain(path);
            QCOMPARE(plain.run({QStringLiteral("UPDATE run_samples SET name = 'Корова 71' WHERE seq = 3")}), QString());
        }
        run = runCli({"archive", "verify"});
        QCOMPARE(run.out, QStringLiteral("%1: Запись 3 (планшет «Новый», 2026-12-01 14:00): содержимое изменено.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, 1);
        qunsetenv("PLEQ_ARCHIVE");

        // A changed chain is said first, anchors or not; a broken chain gets no anchor.
        run = runCli({"archive", "anchor", "--archive", path});
        QCOMPARE(run.err,
                 QStringLiteral("pleq-cli: Архив %1: якорь не записан, цепочка не цела: Запись 3 (планшет «Новый», "
                                "2026-12-01 14:00): содержимое изменено.\n")
                     .arg(QDir::toNativeSeparators(path)));
        QCOMPARE(run.status, 1);
        run = runCli({"archive", "verify", "--anchor", anchors, "--archive", path});
        QCOMPARE(run.out, QStringLiteral("%1: Запись 3 (планшет «Новый», 2026-12-01 14:00): содержимое изменено.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, 1);
        put(anchors, "# on paper\n12 вчера abc\n");
        run = runCli({"archive", "verify", "--anchor", anchors, "--archive", path});
        QCOMPARE(run.err,
                 QStringLiteral("pleq-cli: Файл якорей %1, строка 2: «12 вчера abc» не якорь; ожидается «номер "
                                "время хеш», например «12 2026-12-01T07:00:00.000Z 3f7a9c0e12ab45cd»\n")
                     .arg(anchors));
        QCOMPARE(run.status, 1);

        // A file without an anchor is refused, never "Якоря совпадают: 0."
        for (const char* bytes : {"", "# only a comment\n\n"}) {
            put(anchors, bytes);
            run = runCli({"archive", "verify", "--anchor", anchors, "--archive", path});
            QCOMPARE(run.err, QStringLiteral("pleq-cli: Файл якорей %1: в нем нет ни одного якоря (файл пуст или в нем "
                                             "только комментарии)\n")
                                  .arg(anchors));
            QCOMPARE(run.status, 1);
        }

        run = runCli({"archive", "verify", "--archive", "mysql://db/x"});
        QCOMPARE(
            run.err,
            QStringLiteral("pleq-cli: Место архива «mysql://db/x»: схема «mysql:» не поддерживается; ожидается путь к "
                           "файлу SQLite или адрес postgresql://пользователь@сервер[:порт]/база\n"));
        QCOMPARE(run.status, 1);
        run = runCli({"archive", "verify", "--archive", m_dir.filePath(QStringLiteral("typo.sqlite"))});
        QCOMPARE(run.err, QStringLiteral("pleq-cli: Архив %1: файла нет\n")
                              .arg(QDir::toNativeSeparators(m_dir.filePath(QStringLiteral("typo.sqlite")))));
        QCOMPARE(run.status, 1);
        QVERIFY(!QFileInfo::exists(m_dir.filePath(QStringLiteral("typo.sqlite"))));
        run = runCli({"archive", "add", m_dir.filePath(QStringLiteral("none.plq")), "--archive", path});
        QCOMPARE(run.err, QStringLiteral("pleq-cli: File not found\n"));
        QCOMPARE(run.status, 1);
    }

    // `pleq-cli archive add` archives the run whatever stopped its
    // calculation or its protocol, says what on stderr and exits 1 then.
    void addKeepsEveryRun_data()
    {
        QTest::addColumn<QString>("density");  // of B1, the C+ the kit reads
        QTest::addColumn<QString>("quantity"); // of sample 2
        QTest::addColumn<QString>("err");
        QTest::addColumn<QStringList>("messages"); // of the archived run
        QTest::addColumn<bool>("protocol");        // the run holds protocol bytes
        QTest::addColumn<int>("status");
        const QString calc = QStringLiteral("'abc' is not a valid floating point value");
        const QString stop = QStringLiteral("Протокол не составлен: '2x' is not a valid integer value");
        QTest::newRow("a valid plate") << "0,12"
                                       << "2"
                                       << "" << QStringList{} << true << 0;
        const QString cPlus =
            QStringLiteral("Не верное значение коэффициента (C+).\n\r(C+)>0.3.\n\r Результат не действителен.");
        const QString ratio =
            QStringLiteral("Не верное отношение коэффициентов.\n\r(C-)/(C+)<5.\n\r Результат не действителен.");
        QTest::newRow("an invalid plate") << "0,9"
                                          << "2" << cPlus + "\n" + ratio + "\n"
                                          << QStringList{cPlus, ratio} << true << 0;
        QTest::newRow("the calculation stopped") << "abc"
                                                 << "2" << calc + "\n"
                                                 << QStringList{calc} << true << 1;
        QTest::newRow("the protocol stopped") << "0,12"
                                              << "2x" << stop + "\n"
                                              << QStringList{stop} << false << 1;
        QTest::newRow("both stopped") << "abc"
                                      << "2x" << calc + "\n" + stop + "\n"
                                      << QStringList{calc, stop} << false << 1;
    }
    void addKeepsEveryRun()
    {
        QFETCH(QString, density);
        QFETCH(QString, quantity);
        QFETCH(QString, err);
        QFETCH(QStringList, messages);
        QFETCH(bool, protocol);
        QFETCH(int, status);
        Project plate;
        layKit02Plate(plate, QStringLiteral("Планшет 5"), QStringLiteral("0,1"));
        plate.densityTable().setCell(1, 2, density);
        plate.sampleTable().setCell(2, 2, quantity);
        const QString project = m_dir.filePath(QStringLiteral("add.plq"));
        put(project, writeProjectFile(plate));
        const QString path = m_dir.filePath(QStringLiteral("add-%1.sqlite").arg(QTest::currentDataTag()));

        const CliRun run = runCli({"archive", "add", project, "--archive", path});
        QCOMPARE(run.err, err);
        QCOMPARE(run.out, QStringLiteral("Планшет «Планшет 5» в архиве %1: запись 1.\n")
                              .arg(QDir::toNativeSeparators(path))
                              .toUtf8());
        QCOMPARE(run.status, status);
        Archive archive(ArchiveLocation::parse(path));
        const RunRecord stored = archive.run(1)->record;
        QCOMPARE(stored.messages, messages);
        QCOMPARE(!stored.protocol.isEmpty(), protocol);
        QCOMPARE(stored.projectFile, fixture(project));
        QCOMPARE(archive.verify().message, QStringLiteral("Единственная запись архива цела."));
    }

    // Eight pleq-cli processes archive eight plates at the same moment into
    // a new file: one of them creates the schema, the others wait for its
    // lock, and the chain holds all eight runs, each once, in one order.
    void concurrentWriters()
    {
        const QString root = labFolder();
        const QString path = m_dir.filePath(QStringLiteral("shared.sqlite"));
        const QByteArray plate = fixture(root + "/2026-11/plate-a.plq");
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int i = 0; i < 8; ++i) {
            // The same bytes saved at eight moments: eight plates.
            const QString file = m_dir.filePath(QStringLiteral("shared/plate-%1.plq").arg(i));
            put(file, plate, QDateTime(QDate(2026, 12, 2), QTime(9, i), QTimeZone::utc()));
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QStringLiteral(PLEQ_CLI), {"archive", "add", file, "--archive", path});
        }
        QStringList seqs;
        for (const auto& process : processes) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->readAllStandardError(), QByteArray());
            QCOMPARE(process->exitCode(), 0);
            seqs.append(QString::fromUtf8(process->readAllStandardOutput()).section(QLatin1Char(' '), -1).trimmed());
        }
        seqs.sort();
        QCOMPARE(seqs, (QStringList{"1.", "2.", "3.", "4.", "5.", "6.", "7.", "8."}));
        Archive archive(ArchiveLocation::parse(path));
        QCOMPARE(archive.verify().message, QStringLiteral("Все 8 записей архива целы."));
    }
};

QTEST_GUILESS_MAIN(TestArchiveImport)
#include "tst_archiveimport.moc"
