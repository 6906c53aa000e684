#include "archivefixture.h"

#include "archive/location.h"
#include "archive/sqlerror.h"
#include "support/texts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>

using namespace pleq;
using namespace pleq::test;

namespace {

ArchivedWell well(int col, int row, const QString& layout, const QString& density)
{
    ArchivedWell w;
    w.col = col;
    w.row = row;
    w.layout = layout;
    w.density = density;
    return w;
}

// A small record written out field by field: the hash's fixed input.
RunRecord fixedRecord()
{
    RunRecord r;
    r.uid = QStringLiteral("0b0e6a52-3c1d-4f6e-8a77-1f2e3d4c5b6a");
    r.time = QDateTime(QDate(2026, 12, 1), QTime(10, 0, 0, 250), QTimeZone(3 * 3600));
    r.executor = QStringLiteral("Иванова А. П.");
    r.host = QStringLiteral("reader-pc");
    r.osUser = QStringLiteral("lab");
    r.kit = Kit::K04;
    r.plateName = QStringLiteral("Планшет 7");
    r.material = 1;
    r.projectFile = QByteArray("project\r\n");
    r.protocol = QByteArray("protocol\r\n");
    ArchivedWell a1 = well(1, 1, QStringLiteral("C+"), QStringLiteral("1,25"));
    a1.value = 1.25;
    a1.verdict = Verdict::Positive;
    a1.kind = WellKind::Control;
    ArchivedWell b1 = well(1, 2, QStringLiteral("1.1"), QStringLiteral("0,1"));
    b1.value = 0.1;
    b1.verdict = Verdict::Negative;
    b1.kind = WellKind::Sample;
    b1.sample = 1;
    r.wells = {a1, b1, well(1, 3, QStringLiteral(" - "), QString())};
    r.samples = {{QStringLiteral("1"), QStringLiteral("Корова 17"), QStringLiteral("2")}};
    r.labels[0].text = QStringLiteral("0,55");
    r.labels[1].color = LabelColor::Red;
    r.labels[2].visible = false;
    r.messages = {QStringLiteral("Результат не действителен.")};
    r.log = {QStringLiteral("12:00:01 A1 1,25")};
    r.controls = {{QStringLiteral("C+"), 1.25, 1}};
    return r;
}

} // namespace

class TestRunRecord : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        // The settings and the data folder of this test, not the user's.
        qputenv("HOME", m_home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("PLEQ_ARCHIVE");
    }

    // The means a control chart plots: catalogue order, unreadable and
    // empty densities left out, a control with no readable well left out.
    void controlMeans_data()
    {
        QTest::addColumn<int>("kit");
        QTest::addColumn<QString>("wells");
        QTest::addColumn<QString>("means");
        QTest::newRow("kit 02, two wells each") << 2 << "C+ 1,2; C+ 1,0; C- 0,1; C- 0,2"
                                                << "C+ 1.1 2; C- 0.15 2";
        QTest::newRow("catalogue order, not plate order") << 2 << "C- 0,1; C+ 1,0"
                                                          << "C+ 1 1; C- 0.1 1";
        QTest::newRow("reader's full stop and blanks") << 2 << "C+  1.5 ; C- 0,1"
                                                       << "C+ 1.5 1; C- 0.1 1";
        QTest::newRow("empty and unreadable left out") << 2 << "C+ 1,0; C+ ; C+ OVRFLW; C- 0,1"
                                                       << "C+ 1 1; C- 0.1 1";
        QTest::newRow("a control without a readable well") << 2 << "C+ ?????; C- 0,1"
                                                           << "C- 0.1 1";
        // A text of one character reads as 0, as the calculation reads it.
        QTest::newRow("one character reads as 0") << 2 << "C+ 5; C+ 1,0"
                                                  << "C+ 0.5 2";
        QTest::newRow("kit 01, six controls") << 1 << "S+ 1; S+! 0,9; R+ 0,8; R+! 0,7; C- 0,1; C-! 0,2; 1.1 2,0"
                                              << "S+ 0 1; S+! 0.9 1; R+ 0.8 1; R+! 0.7 1; C- 0.1 1; C-! 0.2 1";
        QTest::newRow("kit 03 with its O") << 3 << "O 0,05; C+ 1,0"
                                           << "C+ 1 1; O 0.05 1";
        QTest::newRow("a text near a control's is none") << 2 << "C+. 1,0; C+1 1,0; C- 0,1"
                                                         << "C- 0.1 1";
    }
    void controlMeans()
    {
        QFETCH(int, kit);
        QFETCH(QString, wells);
        QFETCH(QString, means);
        std::vector<ArchivedWell> plate;
        int i = 0;
        for (const QString& item : wells.split(QLatin1Char(';'))) {
            const QString text = item.trimmed();
            const qsizetype blank = text.indexOf(QLatin1Char(' '));
            const QString layout = blank < 0 ? text : text.left(blank);
            const QString density = blank < 0 ? QString() : text.mid(blank + 1);
            plate.push_back(well(1 + i / 8, 1 + i % 8, layout, density));
            ++i;
        }
        QStringList got;
        for (const ControlMean& m : pleq::controlMeans(Kit(kit - 1), plate))
            got.append(QStringLiteral("%1 %2 %3").arg(m.control).arg(m.mean).arg(m.wells));
        QCOMPARE(got.join(QStringLiteral("; ")), means);
    }

    // The record of a project: the project's own state, the run's messages
    // with its error, the material only for a kit that offers the choice.
    void makeRunRecord()
    {
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 7"), QStringLiteral("0,1"));
        PlateResult run;
        run.messages = {QStringLiteral("Не верное значение C+.")};
        run.error = QStringLiteral("Invalid floating point operation");
        run.log = {QStringLiteral("A1 1,1")};
        const QDateTime time = runTime();
        RunRecord r = pleq::makeRunRecord(project, &run, time, {QStringLiteral("pc"), QStringLiteral("lab")});
        QCOMPARE(r.messages, (QStringList{"Не верное значение C+.", "Invalid floating point operation"}));
        QCOMPARE(r.log, QStringList{"A1 1,1"});
        QVERIFY(!r.valid());
        QVERIFY(!r.material);
        QCOMPARE(r.wells.size(), size_t(96));
        QCOMPARE(r.wells[7].name(), QStringLiteral("H1"));
        QCOMPARE(r.wells[8].name(), QStringLiteral("A2"));
        QCOMPARE(r.wells[0].kind, WellKind::Control);
        QCOMPARE(r.wells[6].sample, 2);
        QCOMPARE(r.wells[8].kind, WellKind::Empty);
        QCOMPARE(r.sampleCount(), 2);
        QCOMPARE(r.labels[0].text, project.label(Label::s0).text);
        QVERIFY(r.uid != pleq::makeRunRecord(project, &run, time, {}).uid);

        project.selectKit(Kit::K04);
        project.setMaterial(Material::Milk);
        r = pleq::makeRunRecord(project, nullptr, time, {});
        QCOMPARE(r.material, 0);
        // No "Расчет" for the plate as it stands: never a valid record.
        QCOMPARE(r.messages, QStringList{"Расчет не выполнен для планшета в этом виде: результаты не проверены."});
        QVERIFY(!r.valid());
        QVERIFY(r.log.isEmpty());
    }

    // A protocol that cannot be made leaves the record without protocol
    // bytes, the stop after the run's own messages; the rest is recorded.
    void protocolStop_data()
    {
        QTest::addColumn<QString>("quantity"); // of sample 2
        QTest::addColumn<bool>("runError");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("an integer quantity") << "2" << false << QStringList{};
        QTest::newRow("a quantity that is not an integer")
            << "2x" << false << QStringList{"Протокол не составлен: '2x' is not a valid integer value"};
        QTest::newRow("a quantity past a plate")
            << "97" << false
            << QStringList{"Протокол не составлен: Sample 2: the quantity 97 is more than the 96 wells of a plate"};
        QTest::newRow("after the run's error")
            << " 2,0" << true
            << QStringList{"Не верное значение C+.", "Invalid floating point operation",
                           "Протокол не составлен: ' 2,0' is not a valid integer value"};
    }
    void protocolStop()
    {
        QFETCH(QString, quantity);
        QFETCH(bool, runError);
        QFETCH(QStringList, messages);
        Project project;
        layKit02Plate(project, QStringLiteral("Планшет 7"), QStringLiteral("0,1"));
        project.sampleTable().setCell(2, 2, quantity);
        PlateResult run = calculatePlate(project, {});
        if (runError) {
            run.messages = {QStringLiteral("Не верное значение C+.")};
            run.error = QStringLiteral("Invalid floating point operation");
        }
        const RunRecord r = pleq::makeRunRecord(project, &run, runTime(), {});
        QCOMPARE(r.messages, messages);
        QCOMPARE(r.valid(), messages.isEmpty());
        QCOMPARE(r.protocol.isEmpty(), !messages.isEmpty());
        if (!r.protocol.isEmpty())
            QVERIFY(r.protocol.startsWith(QByteArray(32, ' ') + "\xcf\xf0\xee\xf2\xee\xea\xee\xeb")); // "Протокол"
        QVERIFY(r.projectFile.contains(quantity.toLatin1() + "\r\n"));
        QCOMPARE(r.wells.size(), size_t(96));
        QCOMPARE(r.count(Verdict::Positive), 2);
        QCOMPARE(r.sampleCount(), 2);
        QCOMPARE(r.samples[1].quantity, quantity);
    }

    // The encoding is fixed: an archive written today verifies with every
    // later version, and a change here breaks every archive in use. The
    // figures come from an encoder of its own, fixtures/runhash.py.
    void hashIsStable()
    {
        QCOMPARE(runHash(fixedRecord(), QByteArray()),
                 QByteArray("ed0ea93fd761788936faac0077c45c57496b8f1364491e6ca91a108a8471a295"));
        QCOMPARE(runHash(fixedRecord(), QByteArray("ed0ea93fd761788936faac0077c45c57496b8f1364491e6ca91a108a8471a295")),
                 QByteArray("fa8ce41cfa9be9292b752d70b63c7a44acfc39a835faf6cb7fbf4b89b1862acb"));
        // A run archived without its protocol: no bytes, empty or null alike.
        RunRecord withoutProtocol = fixedRecord();
        withoutProtocol.protocol = QByteArray();
        QCOMPARE(runHash(withoutProtocol, QByteArray()),
                 QByteArray("67ba59f9c0a8cdb695fabdb09511967be74d1c1082565aa81b6cddee35b242bb"));
        withoutProtocol.protocol = QByteArray("");
        QCOMPARE(runHash(withoutProtocol, QByteArray()),
                 QByteArray("67ba59f9c0a8cdb695fabdb09511967be74d1c1082565aa81b6cddee35b242bb"));
    }

    // Every field is in the hash: a change of any one of them changes it.
    void hashCoversEveryField()
    {
        const std::pair<const char*, std::function<void(RunRecord&)>> changes[] = {
            {"uid", [](RunRecord& r) { r.uid[0] = QLatin1Char('1'); }},
            {"time by 1 ms", [](RunRecord& r) { r.time = r.time.addMSecs(1); }},
            {"the same instant at another offset", [](RunRecord& r) { r.time = r.time.toUTC(); }},
            {"executor", [](RunRecord& r) { r.executor += QLatin1Char('.'); }},
            {"host", [](RunRecord& r) { r.host.clear(); }},
            {"os user", [](RunRecord& r) { r.osUser = QStringLiteral("root"); }},
            {"kit", [](RunRecord& r) { r.kit = Kit::K05; }},
            {"plate name", [](RunRecord& r) { r.plateName += QLatin1Char(' '); }},
            {"material", [](RunRecord& r) { r.material = 0; }},
            {"no material", [](RunRecord& r) { r.material.reset(); }},
            {"project file", [](RunRecord& r) { r.projectFile.chop(1); }},
            {"protocol", [](RunRecord& r) { r.protocol[0] = 'P'; }},
            {"well column", [](RunRecord& r) { r.wells[0].col = 2; }},
            {"well row", [](RunRecord& r) { r.wells[2].row = 4; }},
            {"layout", [](RunRecord& r) { r.wells[0].layout = QStringLiteral("C-"); }},
            {"density", [](RunRecord& r) { r.wells[0].density = QStringLiteral("1,26"); }},
            {"value in its last bit", [](RunRecord& r) { r.wells[0].value = std::nextafter(1.25, 2.0); }},
            {"no value", [](RunRecord& r) { r.wells[0].value.reset(); }},
            {"verdict", [](RunRecord& r) { r.wells[1].verdict = Verdict::Doubtful; }},
            {"kind", [](RunRecord& r) { r.wells[2].kind = WellKind::Sample; }},
            {"sample", [](RunRecord& r) { r.wells[1].sample = 2; }},
            {"a well less", [](RunRecord& r) { r.wells.pop_back(); }},
            {"sample number", [](RunRecord& r) { r.samples[0].number = QStringLiteral("2"); }},
            {"sample name", [](RunRecord& r) { r.samples[0].name = QStringLiteral("Корова 71"); }},
            {"quantity", [](RunRecord& r) { r.samples[0].quantity = QStringLiteral("3"); }},
            {"a sample more", [](RunRecord& r) { r.samples.push_back({}); }},
            {"label text", [](RunRecord& r) { r.labels[9].text = QStringLiteral("+"); }},
            {"label colour", [](RunRecord& r) { r.labels[1].color = LabelColor::Green; }},
            {"label shown", [](RunRecord& r) { r.labels[2].visible = true; }},
            {"message", [](RunRecord& r) { r.messages.clear(); }},
            {"a message moved into the log", [](RunRecord& r) { r.log.prepend(r.messages.takeFirst()); }},
            {"log line", [](RunRecord& r) { r.log[0] += QLatin1Char(' '); }},
            {"control", [](RunRecord& r) { r.controls[0].control = QStringLiteral("C+!"); }},
            {"control mean", [](RunRecord& r) { r.controls[0].mean = 1.2500001; }},
            {"control wells", [](RunRecord& r) { r.controls[0].wells = 2; }},
        };
        const QByteArray base = runHash(fixedRecord(), QByteArray("prev"));
        QVERIFY(runHash(fixedRecord(), QByteArray("prex")) != base);
        for (const auto& [name, change] : changes) {
            RunRecord r = fixedRecord();
            change(r);
            QVERIFY2(runHash(r, QByteArray("prev")) != base, name);
        }
    }

    void parseLocation_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed");  // kind path | host port user database, or the error
        QTest::addColumn<QString>("display"); // a file's place with native separators, a server's address as given
        QTest::newRow("file") << "/var/lib/pleq/archive.sqlite"
                              << "sqlite /var/lib/pleq/archive.sqlite"
                              << QDir::toNativeSeparators("/var/lib/pleq/archive.sqlite");
        QTest::newRow("relative file, blanks around")
            << " lab/archive.sqlite "
            << "sqlite lab/archive.sqlite" << QDir::toNativeSeparators("lab/archive.sqlite");
        QTest::newRow("file URL") << "file:///srv/lab/archive.sqlite"
                                  << "sqlite /srv/lab/archive.sqlite"
                                  << QDir::toNativeSeparators("/srv/lab/archive.sqlite");
        QTest::newRow("server") << "postgresql://lab@db.lab.local/pleq"
                                << "postgres db.lab.local 5432 lab pleq"
                                << "postgresql://lab@db.lab.local/pleq";
        QTest::newRow("postgres://, a port") << "postgres://lab@10.0.0.5:5433/pleq"
                                             << "postgres 10.0.0.5 5433 lab pleq"
                                             << "postgresql://lab@10.0.0.5:5433/pleq";
        QTest::newRow("socket folder") << "postgresql://lab@/pleq?host=/tmp/pg&port=5433"
                                       << "postgres /tmp/pg 5433 lab pleq"
                                       << "postgresql://lab@/pleq?host=/tmp/pg&port=5433";
        QTest::newRow("no user") << "postgresql://db/pleq"
                                 << "postgres db 5432  pleq"
                                 << "postgresql://db/pleq";
        QTest::newRow("password") << "postgresql://lab:secret@db/pleq"
                                  << "Место архива «postgresql://lab@db/pleq»: пароль в адресе не хранится: задайте "
                                     "его в ~/.pgpass или PGPASSWORD"
                                  << "";
        QTest::newRow("password parameter") << "postgresql://lab@db/pleq?password=secret"
                                            << "Место архива «postgresql://lab@db/pleq»: пароль в адресе не хранится: "
                                               "задайте его в ~/.pgpass или PGPASSWORD"
                                            << "";
        QTest::newRow("no database")
            << "postgresql://lab@db/"
            << "Место архива «postgresql://lab@db/»: не указана база данных (postgresql://пользователь@сервер/база)"
            << "";
        QTest::newRow("bad port")
            << "postgresql://lab@/pleq?host=/tmp&port=x"
            << "Место архива «postgresql://lab@/pleq?host=/tmp&port=x»: порт «x» не число от 1 до 65535"
            << "";
        QTest::newRow("unknown parameter") << "postgresql://lab@db/pleq?sslmode=require"
                                           << "Место архива «postgresql://lab@db/pleq?sslmode=require»: "
                                              "неизвестный параметр «sslmode»"
                                           << "";
        const QString form = QStringLiteral("postgresql://пользователь@сервер[:порт]/база");
        QTest::newRow("another server")
            << "mysql://db/pleq"
            << "Место архива «mysql://db/pleq»: схема «mysql:» не поддерживается; ожидается "
               "путь к файлу SQLite или адрес "
                   + form
            << "";
        QTest::newRow("a scheme without slashes")
            << "sqlite:lab.sqlite"
            << "Место архива «sqlite:lab.sqlite»: схема «sqlite:» не поддерживается; "
               "ожидается путь к файлу SQLite или адрес "
                   + form
            << "";
        QTest::newRow("one slash") << "postgresql:/lab@db/pleq"
                                   << "Место архива «postgresql:/lab@db/pleq»: адрес PostgreSQL не читается; ожидается "
                                          + form
                                   << "";
        QTest::newRow("no slash") << "postgres:lab@db/pleq"
                                  << "Место архива «postgres:lab@db/pleq»: адрес PostgreSQL не читается; ожидается "
                                         + form
                                  << "";
        QTest::newRow("a misspelt scheme") << "postgressql://lab@db/pleq"
                                           << "Место архива «postgressql://lab@db/pleq»: адрес PostgreSQL не читается; "
                                              "ожидается "
                                                  + form
                                           << "";
        QTest::newRow("a port that is no number") << "postgresql://lab@db:54x/pleq"
                                                  << "Место архива «postgresql://lab@db:54x/pleq»: адрес PostgreSQL не "
                                                     "читается; ожидается "
                                                         + form
                                                  << "";
        // Typos of an address: refused, never a folder and a file made under the working folder.
        const QString typo = QStringLiteral("»: похоже на адрес с опечаткой; ожидается путь к файлу SQLite или адрес ");
        for (const char* text : {"postgresql//lab@db/pleq", "postgresql;//lab@db/pleq", "postgresql ://lab@db/pleq",
                                 "postgresql ; //lab@db/pleq", "pgsql//db/pleq"})
            QTest::addRow("a typo: %s", text)
                << text << QStringLiteral("Место архива «") + QString::fromUtf8(text) + typo + form << "";
        QTest::newRow("no server")
            << "postgresql:///pleq"
            << "Место архива «postgresql:///pleq»: не указан сервер (" + form
                   + "; сокет на этом компьютере: postgresql://пользователь@/база?host=/var/run/postgresql)"
            << "";
        QTest::newRow("a drive letter is no scheme")
            << "C:/lab/archive.sqlite"
            << "sqlite C:/lab/archive.sqlite" << QDir::toNativeSeparators("C:/lab/archive.sqlite");
        QTest::newRow("empty") << "  "
                               << "Место архива не указано"
                               << "";
    }
    void parseLocation()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        QFETCH(QString, display);
        QString got;
        QString shown;
        try {
            const ArchiveLocation l = ArchiveLocation::parse(text);
            got = l.kind == ArchiveLocation::Kind::Sqlite
                      ? QStringLiteral("sqlite ") + l.path
                      : QStringLiteral("postgres %1 %2 %3 %4").arg(l.host).arg(l.port).arg(l.user, l.database);
            shown = l.displayName();
        } catch (const Error& e) {
            got = e.message();
        }
        QCOMPARE(got, parsed);
        QCOMPARE(shown, display);
    }

    // What the servers and drivers say, as the user reads it: Russian, one line.
    void failureReason_data()
    {
        QTest::addColumn<QString>("said");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server starting") << "FATAL:  the database system is starting up"
                                         << "сервер архива запускается, попробуйте позже";
        QTest::newRow("connection lost") << "server closed the connection unexpectedly\n\tThis probably means the "
                                            "server terminated abnormally\n\tbefore or while processing the request."
                                         << "связь с сервером прервана";
        QTest::newRow("killed by the administrator") << "FATAL:  terminating connection due to administrator command"
                                                     << "сервер прервал соединение";
        QTest::newRow("no such database") << "FATAL:  database \"pleq\" does not exist"
                                          << "на сервере нет базы данных «pleq»";
        QTest::newRow("no such role") << "FATAL:  role \"lab\" does not exist"
                                      << "на сервере нет пользователя «lab»";
        QTest::newRow("unknown host")
            << "could not translate host name \"labserver\" to address: Name or service not known"
            << "имя сервера не найдено";
        QTest::newRow("no password") << "fe_sendauth: no password supplied"
                                     << "сервер требует пароль: задайте его в ~/.pgpass или PGPASSWORD";
        QTest::newRow("unforeseen, on two lines") << "something odd\nhappened"
                                                  << "ошибка базы данных: something odd happened";
    }
    void failureReason()
    {
        QFETCH(QString, said);
        QFETCH(QString, reason);
        QCOMPARE(sql::failureReason(QSqlError(QString(), said, QSqlError::ConnectionError)), reason);
    }

    // PLEQ_ARCHIVE, else the setting, else archive.sqlite in the data folder.
    void locationInUse()
    {
#ifdef Q_OS_WIN
        // On Windows the data folder is the user's local application data, which HOME does not move.
        const QString dataFolder = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA"));
        QVERIFY(!dataFolder.isEmpty());
#else
        const QString dataFolder = m_home.path() + QStringLiteral("/.local/share");
#endif
        const QString defaultPlace = dataFolder + QStringLiteral("/Pleq/archive.sqlite");
        const bool defaultPlaceExisted = QFileInfo::exists(defaultPlace);
        QCOMPARE(archiveLocation().path, defaultPlace);
        setArchiveLocationSetting(QStringLiteral("postgresql://lab@db/pleq"));
        QCOMPARE(archiveLocationSetting(), QStringLiteral("postgresql://lab@db/pleq"));
        QCOMPARE(archiveLocation().displayName(), QStringLiteral("postgresql://lab@db/pleq"));
        qputenv("PLEQ_ARCHIVE", "/srv/lab/archive.sqlite");
        QCOMPARE(archiveLocation().displayName(), QDir::toNativeSeparators(QStringLiteral("/srv/lab/archive.sqlite")));
        qunsetenv("PLEQ_ARCHIVE");
        QCOMPARE(errorOf([] { setArchiveLocationSetting(QStringLiteral("mysql://db/x")); }),
                 QStringLiteral("Место архива «mysql://db/x»: схема «mysql:» не поддерживается; ожидается путь к файлу "
                                "SQLite или адрес postgresql://пользователь@сервер[:порт]/база"));
        QCOMPARE(archiveLocationSetting(), QStringLiteral("postgresql://lab@db/pleq"));
        setArchiveLocationSetting(QString());
        QCOMPARE(archiveLocation().path, defaultPlace);

        // The default folder is made on first use.
        {
            Archive archive(archiveLocation());
            archive.open();
        }
        QVERIFY(QFileInfo::exists(defaultPlace));
        if (!defaultPlaceExisted)
            QFile::remove(defaultPlace); // on Windows it lies outside this test's folder
    }
};

QTEST_GUILESS_MAIN(TestRunRecord)
#include "tst_runrecord.moc"
