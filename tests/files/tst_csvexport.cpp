#include "support/texts.h"
#include "calc/platefixture.h"
#include "docstest.h"

#include "core/calc/calculation.h"
#include "core/files/csvexport.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include <optional>

using namespace pleq;
using namespace pleq::test;

// The results CSV: its quoting, both forms byte for byte on small plates, a
// stopped run, and the write that leaves an earlier file whole.
class TestCsvExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setDecimalSeparator(QLatin1Char(',')); }
    void cleanup() { setDecimalSeparator(std::nullopt); }
    void quoting_data();
    void quoting();
    void plate_data();
    void plate();
    void stoppedRun();
    void failedWriteKeepsFile();
};

namespace {

using test::errorOf;

const QDateTime Now = QDateTime(QDate(2026, 12, 10), QTime(9, 30, 5), QTimeZone(3 * 3600));

// A plate with two named samples; the names try the quoting.
void layTwoSamples(Project& project, int kit, const QString& wells)
{
    selectKit(project, kit);
    layPlate(project, wells);
    project.setPlateName(QStringLiteral("Планшет 7"));
    project.setExecutor(QStringLiteral("Петрова, \"смена 2\""));
    TextGrid& samples = project.sampleTable();
    samples.setRows(3);
    samples.setCell(0, 2, QStringLiteral("2"));
    samples.setCell(1, 1, QStringLiteral("Корова 12; ферма \"Луч\""));
    samples.setCell(1, 2, QStringLiteral(" Бык 3 "));
    samples.setCell(2, 2, QStringLiteral("1"));
}

} // namespace

void TestCsvExport::quoting_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("comma");     // the field in the LIMS form
    QTest::addColumn<QString>("semicolon"); // the field in the spreadsheet form

    QTest::newRow("plain") << "Проба №1" << "Проба №1" << "Проба №1";
    QTest::newRow("empty") << "" << "" << "";
    QTest::newRow("comma") << "1,5" << "\"1,5\"" << "1,5";
    QTest::newRow("semicolon") << "a;b" << "a;b" << "\"a;b\"";
    QTest::newRow("quotes doubled") << "ферма \"Луч\"" << "\"ферма \"\"Луч\"\"\"" << "\"ферма \"\"Луч\"\"\"";
    QTest::newRow("lone quote") << "\"" << "\"\"\"\"" << "\"\"\"\"";
    QTest::newRow("line feed") << "a\nb" << "\"a\nb\"" << "\"a\nb\"";
    QTest::newRow("carriage return") << "a\rb" << "\"a\rb\"" << "\"a\rb\"";
    QTest::newRow("leading blank") << " 1" << "\" 1\"" << "\" 1\"";
    QTest::newRow("trailing blank") << "0,95 " << "\"0,95 \"" << "\"0,95 \"";
    QTest::newRow("leading tab") << "\tx" << "\"\tx\"" << "\"\tx\"";
    QTest::newRow("blank inside") << "C+ 2" << "C+ 2" << "C+ 2";
    // clang-format on
}

void TestCsvExport::quoting()
{
    QFETCH(QString, text);
    QFETCH(QString, comma);
    QFETCH(QString, semicolon);
    QCOMPARE(csvField(text, QLatin1Char(',')), comma);
    QCOMPARE(csvField(text, QLatin1Char(';')), semicolon);
}

void TestCsvExport::plate_data()
{
    // clang-format off
    QTest::addColumn<int>("kit");
    QTest::addColumn<QString>("wells");
    QTest::addColumn<int>("material"); // 0 "Молоко", 1 "Сыворотка"
    QTest::addColumn<bool>("spreadsheet");
    QTest::addColumn<QStringList>("lines"); // without CR LF and the byte order mark

    const QString kit05 = QStringLiteral("A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,25; C2 C-! 0,1;"
                                         "D1 1.1 0,9; D2 1.1 0.3; E1 2.1 0,35; E2 2.1 0,2; H12 - 0,7");
    const QString header = QStringLiteral("plate,exported,executor,kit,kit_name,material,well,layout,kind,sample,"
                                          "sample_name,density,value,verdict,plate_valid,plate_messages");
    const QString who = QStringLiteral("Планшет 7,2026-12-10T09:30:05+03:00,\"Петрова, \"\"смена 2\"\"\",");
    const QString k05 = who + QStringLiteral("05,(Верификация) Набор «Тальвик»,");
    const QString invalid = QStringLiteral(",no,Не верное значение коэффициента d(C-) = (C-) - (C-!). d(C-)>0.1. "
                                           "Результат не действителен.");
    const QString cow = QStringLiteral("\"Корова 12; ферма \"\"Луч\"\"\"");
    // Milk fails a check of kit 05 that serum passes; H12 has no layout text.
    QTest::newRow("kit 05, LIMS, milk")
        << 5 << kit05 << 0 << false
        << QStringList{header,
                       k05 + "Молоко,A1,C+,control,,,1.5,1.5,positive" + invalid,
                       k05 + "Молоко,A2,C+!,control,,,0.3,0.3,positive" + invalid,
                       k05 + "Молоко,B1,C+,control,,,1.4,1.4,positive" + invalid,
                       k05 + "Молоко,B2,C+!,control,,,0.2,0.2,positive" + invalid,
                       k05 + "Молоко,C1,C-,control,,,0.25,0.25,positive" + invalid,
                       k05 + "Молоко,C2,C-!,control,,,0.1,0.1,positive" + invalid,
                       k05 + "Молоко,D1,1.1,sample,1," + cow + ",0.9,0.9,positive" + invalid,
                       k05 + "Молоко,D2,1.1,sample,1," + cow + ",0.3,0.3,positive" + invalid,
                       k05 + "Молоко,E1,2.1,sample,2,\" Бык 3 \",0.35,0.35,negative" + invalid,
                       k05 + "Молоко,E2,2.1,sample,2,\" Бык 3 \",0.2,0.2,negative" + invalid};

    // The spreadsheet form: semicolons, "," decimals (the typed "0.3" too);
    // the executor keeps its quotes, a name with ";" gets them.
    const QString s05 = QStringLiteral("Планшет 7;2026-12-10T09:30:05+03:00;\"Петрова, \"\"смена 2\"\"\";"
                                       "05;(Верификация) Набор «Тальвик»;Сыворотка;");
    QTest::newRow("kit 05, spreadsheet, serum")
        << 5 << kit05 << 1 << true
        << QStringList{QString(header).replace(QLatin1Char(','), QLatin1Char(';')),
                       s05 + "A1;C+;control;;;1,5;1,5;positive;yes;",
                       s05 + "A2;C+!;control;;;0,3;0,3;positive;yes;",
                       s05 + "B1;C+;control;;;1,4;1,4;positive;yes;",
                       s05 + "B2;C+!;control;;;0,2;0,2;positive;yes;",
                       s05 + "C1;C-;control;;;0,25;0,25;positive;yes;",
                       s05 + "C2;C-!;control;;;0,1;0,1;positive;yes;",
                       s05 + "D1;1.1;sample;1;" + cow + ";0,9;0,9;positive;yes;",
                       s05 + "D2;1.1;sample;1;" + cow + ";0,3;0,3;positive;yes;",
                       s05 + "E1;2.1;sample;2;\" Бык 3 \";0,35;0,35;negative;yes;",
                       s05 + "E2;2.1;sample;2;\" Бык 3 \";0,2;0,2;negative;yes;"};

    // Kit 01 has no material; a text that names no sample or control is an
    // empty well; a one-character density reads as 0; an exponent is expanded.
    const QString s01 = QStringLiteral("Планшет 7;2026-12-10T09:30:05+03:00;\"Петрова, \"\"смена 2\"\"\";"
                                       "01;Набор «Зорвал-SR»;;");
    const QString ratio = QStringLiteral(";no;Не верное отношение коэффициентов. (C-)/(S+)<2. Результат не действителен.");
    QTest::newRow("kit 01, spreadsheet, failed check")
        << 1 << "A1 S+ 0.8; B2 R+! 0.35; C1 C- 1.2; C2 C-! 1.05; D1 1.1 0.95; D2 2 1e-3; E1 x -" << 1 << true
        << QStringList{QString(header).replace(QLatin1Char(','), QLatin1Char(';')),
                       s01 + "A1;S+;control;;;0,8;0,8;negative" + ratio,
                       s01 + "B2;R+!;control;;;0,35;0,35;positive" + ratio,
                       s01 + "C1;C-;control;;;1,2;1,2;negative" + ratio,
                       s01 + "C2;C-!;control;;;1,05;1,05;negative" + ratio,
                       s01 + "D1;1.1;sample;1;" + cow + ";0,95;0,95;negative" + ratio,
                       s01 + "D2;2;sample;2;\" Бык 3 \";0,001;0,001;positive" + ratio,
                       s01 + "E1;x;empty;;;0;0;none" + ratio};
    // clang-format on
}

void TestCsvExport::plate()
{
    QFETCH(int, kit);
    QFETCH(QString, wells);
    QFETCH(int, material);
    QFETCH(bool, spreadsheet);
    QFETCH(QStringList, lines);

    Project project;
    layTwoSamples(project, kit, wells);
    project.setMaterial(Material(material));
    const PlateResult result = calculatePlate(project, {});
    QVERIFY(!result.error);
    const QByteArray csv = resultsCsv(project, result, Now, spreadsheet ? CsvStyle::Spreadsheet : CsvStyle::Machine);
    const QByteArray bom("\xEF\xBB\xBF");
    QCOMPARE(csv.startsWith(bom), spreadsheet);
    QCOMPARE(firstDifference(spreadsheet ? csv.mid(3) : csv, (lines.join("\r\n") + "\r\n").toUtf8()), QString());
}

void TestCsvExport::stoppedRun()
{
    Project project;
    layTwoSamples(project, 3, QStringLiteral("A1 C+ 1,8; B1 C- abc; C1 1 0,5"));
    const PlateResult result = calculatePlate(project, {});
    QCOMPARE(errorOf([&] { (void)resultsCsv(project, result, Now, CsvStyle::Machine); }),
             QStringLiteral("Расчет остановлен с ошибкой \"'abc' is not a valid floating point value\": "
                            "результатов для экспорта нет"));
}

void TestCsvExport::failedWriteKeepsFile()
{
    Project project;
    layTwoSamples(project, 5, QStringLiteral("A1 C+ 1,5; A2 C+! 0,3; C1 C- 0,25; C2 C-! 0,1; D1 1.1 0,9"));
    const PlateResult result = calculatePlate(project, {});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plate.csv"));
    QFile old(path);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("earlier export\r\n");
    old.close();
    auto untouched = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.readAll() == "earlier export\r\n"
               && QDir(dir.path()).entryList(QDir::Files) == QStringList{"plate.csv"};
    };

    // A read-only folder (as root: written by an unprivileged user).
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                  | QFileDevice::ExeOther));
    if (FaultsAvailable)
        QCOMPARE(runUnprivileged([&] {
                     return errorOf([&] { exportResults(project, result, Now, CsvStyle::Machine, path); })
                                    == QLatin1String("File access denied")
                                ? 0
                                : 1;
                 }),
                 0);
    QVERIFY(untouched());
    QVERIFY(
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    if (FaultsAvailable) { // A full disk (the system's text, in the user's language).
        FileSizeLimit full(100);
        QVERIFY(errorOf([&] { exportResults(project, result, Now, CsvStyle::Machine, path); })
                != QLatin1String("no error"));
    }
    QVERIFY(untouched());

    QCOMPARE(errorOf([&] { exportResults(project, result, Now, CsvStyle::Spreadsheet, path); }),
             QStringLiteral("no error"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QVERIFY(f.readAll().startsWith("\xEF\xBB\xBF"
                                   "plate;exported;"));
}

QTEST_GUILESS_MAIN(TestCsvExport)
#include "tst_csvexport.moc"
