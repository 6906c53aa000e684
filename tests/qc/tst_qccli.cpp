#include "qc/qcruns.h"
#include "support/clirun.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>
#include <QFile>

using namespace pleq;

// pleq-cli archive qc on an archive file made here (qcruns.h): the text and
// JSON forms, the baseline and date options, and refused options.
class TestQcCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void text();
    void json();
    void errors_data();
    void errors();
    void notAnArchive();

private:
    QTemporaryDir m_dir;
    QString m_archive;
};

void TestQcCli::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_archive = m_dir.filePath(QStringLiteral("archive.sqlite"));
    Archive archive(ArchiveLocation::parse(m_archive));
    archive.open();
    test::archiveQcRuns(archive);
}

void TestQcCli::text()
{
    const test::CliRun run = test::runCli({"archive", "qc", "--kit", "03", "--baseline", "3", "--archive", m_archive});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    const QString expected = QStringLiteral(
        "03 - Набор «Кимрен»; базовый период: первые 3 планшета набора\n"
        "\n"
        "Контроль C+: среднее 2.0000, SD 0.5000, точек в базовом периоде: 3\n"
        "  -3 SD 0.5000  -2 SD 1.0000  -1 SD 1.5000  +1 SD 2.5000  +2 SD 3.0000  +3 SD 3.5000\n"
        "  №       время                           среднее       z  правила\n"
        "  1       2026-03-01T10:00:00.000+03:00    1.5000   -1.00\n"
        "  2       2026-03-02T10:00:00.000+03:00    2.5000    1.00\n"
        "  3       2026-03-03T10:00:00.000+03:00    2.0000    0.00\n"
        "  4       2026-03-04T10:00:00.000+03:00    3.6000    3.20  1-2s 1-3s\n"
        "  5       2026-03-05T10:00:00.000+03:00    2.0000    0.00\n"
        "  6       2026-03-06T10:00:00.000+03:00    3.0100    2.02  1-2s\n"
        "\n"
        "Контроль C-: среднее 0.2500, SD 0.0500, точек в базовом периоде: 3\n"
        "  -3 SD 0.1000  -2 SD 0.1500  -1 SD 0.2000  +1 SD 0.3000  +2 SD 0.3500  +3 SD 0.4000\n"
        "  №       время                           среднее       z  правила\n"
        "  1       2026-03-01T10:00:00.000+03:00    0.2000   -1.00\n"
        "  2       2026-03-02T10:00:00.000+03:00    0.3000    1.00\n"
        "  3       2026-03-03T10:00:00.000+03:00    0.2500    0.00\n"
        "  4       2026-03-04T10:00:00.000+03:00    0.2500    0.00\n"
        "  5       2026-03-05T10:00:00.000+03:00    0.2500    0.00\n"
        "  6       2026-03-06T10:00:00.000+03:00    0.2500    0.00\n"
        "\n"
        "Для контроля O в базовом периоде (первые 3 планшета набора) меньше двух точек (0): пределы не рассчитаны.\n"
        "  нет точек\n"
        "\n"
        "Планшеты, отмеченные правилами Вестгарда:\n"
        "  № 4 (отклонить): 1-2s (C+), 1-3s (C+)\n"
        "  № 6 (предупреждение): 1-2s (C+)\n");
    QCOMPARE(QString::fromUtf8(run.out), expected);
}

// The baseline as a date range (March 1 and 2: C+ 1.5 and 2.5, mean 2.0, SD
// 0.7071), the points of March 4 and 5 only.
void TestQcCli::json()
{
    const test::CliRun run =
        test::runCli({"archive", "qc", "--archive", m_archive, "--json", "--kit", "3", "--baseline",
                      "2026-03-01..2026-03-02", "--from", "2026-03-04", "--to", "2026-03-05"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    QJsonParseError error;
    const QJsonObject doc = QJsonDocument::fromJson(run.out, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(doc.value("kit").toString(), QStringLiteral("03"));
    QCOMPARE(doc.value("baseline").toObject(), (QJsonObject{{"from", "2026-03-01"}, {"to", "2026-03-02"}}));
    QCOMPARE(doc.value("from").toString(), QStringLiteral("2026-03-04"));
    QCOMPARE(doc.value("to").toString(), QStringLiteral("2026-03-05"));

    const QJsonArray controls = doc.value("controls").toArray();
    QCOMPARE(controls.size(), 3);
    const QJsonObject plus = controls[0].toObject();
    QCOMPARE(plus.value("control").toString(), QStringLiteral("C+"));
    QCOMPARE(plus.value("limits").toObject().value("mean").toDouble(), 2.0);
    QCOMPARE(plus.value("limits").toObject().value("sd").toDouble(), 0.7071067811865476);
    QCOMPARE(plus.value("limits").toObject().value("points").toInt(), 2);
    QVERIFY(plus.value("message").isNull());
    const QJsonArray points = plus.value("points").toArray();
    QCOMPARE(points.size(), 2);
    const QJsonObject run4 = points[0].toObject();
    QCOMPARE(run4.value("seq").toInt(), 4);
    QCOMPARE(run4.value("time").toString(), QStringLiteral("2026-03-04T10:00:00.000+03:00"));
    QCOMPARE(run4.value("mean").toDouble(), 3.6);
    QCOMPARE(run4.value("z").toDouble(), 2.262741699796952);
    QCOMPARE(run4.value("baseline").toBool(), false);
    QCOMPARE(run4.value("rules").toArray(), (QJsonArray{"1-2s"})); // +2.26 SD: no longer 1-3s
    QCOMPARE(points[1].toObject().value("rules").toArray(), QJsonArray());

    const QJsonObject o = controls[2].toObject();
    QVERIFY(o.value("limits").isNull());
    QCOMPARE(o.value("message").toString(),
             QStringLiteral("Для контроля O в базовом периоде (с 01.03.2026 по 02.03.2026) меньше двух точек (0): "
                            "пределы не рассчитаны."));
    QCOMPARE(doc.value("runs").toArray(),
             (QJsonArray{QJsonObject{{"seq", 4}, {"flags", QJsonArray{"1-2s (C+)"}}, {"rejected", false}}}));
}

void TestQcCli::errors_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");

    const QString usage = QStringLiteral("pleq-cli: usage: pleq-cli archive qc --kit NN [--from DATE] [--to DATE] "
                                         "[--baseline N|DATE..DATE] [--json] [--archive LOCATION]\n");
    QTest::newRow("no kit") << QStringList{"--json"} << usage;
    QTest::newRow("an option twice") << QStringList{"--kit", "03", "--kit", "03"} << usage;
    QTest::newRow("an option without its value") << QStringList{"--kit", "03", "--from"} << usage;
    QTest::newRow("an unknown option") << QStringList{"--kit", "03", "--points", "5"} << usage;
    QTest::newRow("kit 06") << QStringList{"--kit", "06"} << "pleq-cli: --kit takes a kit code 01 .. 05, not '06'\n";
    QTest::newRow("kit 0") << QStringList{"--kit", "0"} << "pleq-cli: --kit takes a kit code 01 .. 05, not '0'\n";
    QTest::newRow("baseline 0 runs") << QStringList{"--kit", "03", "--baseline", "0"}
                                     << "pleq-cli: --baseline takes N or DATE..DATE, not '0'\n";
    QTest::newRow("baseline not a number") << QStringList{"--kit", "03", "--baseline", "1x"}
                                           << "pleq-cli: --baseline takes N or DATE..DATE, not '1x'\n";
    QTest::newRow("baseline without its end") << QStringList{"--kit", "03", "--baseline", "2026-03-01.."}
                                              << "pleq-cli: --baseline takes a date as yyyy-MM-dd, not ''\n";
    QTest::newRow("a date as the lab writes it") << QStringList{"--kit", "03", "--from", "01.03.2026"}
                                                 << "pleq-cli: --from takes a date as yyyy-MM-dd, not '01.03.2026'\n";
    // clang-format on
}

void TestQcCli::errors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    const test::CliRun run = test::runCli(QStringList{"archive", "qc", "--archive", m_archive} + args);
    QCOMPARE(run.err, err);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, QByteArray());
}

// A file that is no archive: the message names it, nothing is printed.
void TestQcCli::notAnArchive()
{
    const QString path = m_dir.filePath(QStringLiteral("notes.txt"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(4096, 'x'));
    file.close();
    const test::CliRun run = test::runCli({"archive", "qc", "--kit", "03", "--archive", path});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.startsWith(QStringLiteral("pleq-cli: ")) && run.err.contains(QDir::toNativeSeparators(path)),
             qPrintable(run.err));
    QCOMPARE(run.out, QByteArray());
}

QTEST_GUILESS_MAIN(TestQcCli)
#include "tst_qccli.moc"
