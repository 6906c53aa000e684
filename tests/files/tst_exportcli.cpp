#include "support/clirun.h"
#include "calc/platefixture.h"

#include "core/files/projectfile.h"
#include "core/model/project.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;

// pleq-cli export on saved projects: the form chosen by --decimal, the output
// to a file or stdout, the validity messages, and a stopped run that writes nothing.
class TestExportCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void run_data();
    void run();

private:
    QTemporaryDir m_dir;
};

void TestExportCli::run_data()
{
    // clang-format off
    QTest::addColumn<int>("kit");
    QTest::addColumn<QString>("wells");
    QTest::addColumn<QStringList>("options"); // "OUT" stands for the output file
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("firstLine"); // of the CSV; empty: nothing written
    QTest::addColumn<QString>("line");      // one further line of it, with the export's time cut out
    QTest::addColumn<QString>("err");       // what stderr holds

    const QString kit05 = QStringLiteral("A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,25; C2 C-! 0,1;"
                                         "D1 1.1 0,9; D2 1.1 0,3; E1 2.1 0,35; E2 2.1 0,2");
    const QString header = QStringLiteral("plate,exported,executor,kit,kit_name,material,well,layout,kind,sample,"
                                          "sample_name,density,value,verdict,plate_valid,plate_messages");
    const QString d1 = QStringLiteral("Новый,TIME,Петрова,05,(Верификация) Набор «Тальвик»,Сыворотка,D1,1.1,sample,1,"
                                      "Проба №1,0.9,0.9,positive,yes,");
    QTest::newRow("LIMS to stdout") << 5 << kit05 << QStringList{} << 0 << header << d1 << "";
    QTest::newRow("LIMS to a file, --decimal .")
        << 5 << kit05 << QStringList{"-o", "OUT", "--decimal", "."} << 0 << header << d1 << "";
    QTest::newRow("spreadsheet to a file")
        << 5 << kit05 << QStringList{"--decimal", ",", "-o", "OUT"} << 0
        << "\uFEFF" + QString(header).replace(QLatin1Char(','), QLatin1Char(';'))
        << "Новый;TIME;Петрова;05;(Верификация) Набор «Тальвик»;Сыворотка;D1;1.1;sample;1;Проба №1;0,9;0,9;positive;yes;"
        << "";
    // The numbers inside a message follow the form; the message goes to stderr too.
    QTest::newRow("failed check")
        << 1 << "A1 S+ 0,8; B2 R+! 0,35; C1 C- 1,2; C2 C-! 1,05; D1 1.1 0,95" << QStringList{"-o", "OUT"} << 0
        << header
        << "Новый,TIME,Петрова,01,Набор «Зорвал-SR»,,D1,1.1,sample,1,Проба №1,0.95,0.95,negative,no,"
           "Не верное отношение коэффициентов. (C-)/(S+)<2. Результат не действителен."
        << "Не верное отношение коэффициентов.\n\r(C-)/(S+)<2.\n\r Результат не действителен.\n";
    QTest::newRow("stopped run writes nothing")
        << 3 << "A1 C+ 1,8; B1 C- abc" << QStringList{"-o", "OUT"} << 1 << "" << ""
        << "pleq-cli: Расчет остановлен с ошибкой \"'abc' is not a valid floating point value\": "
           "результатов для экспорта нет\n";
    QTest::newRow("bad separator")
        << 5 << kit05 << QStringList{"--decimal", ";", "-o", "OUT"} << 1 << "" << ""
        << "pleq-cli: --decimal takes \",\" or \".\", not ';'\n";
    // clang-format on
}

void TestExportCli::run()
{
    QFETCH(int, kit);
    QFETCH(QString, wells);
    QFETCH(QStringList, options);
    QFETCH(int, status);
    QFETCH(QString, firstLine);
    QFETCH(QString, line);
    QFETCH(QString, err);

    Project project;
    test::selectKit(project, kit);
    test::layPlate(project, wells);
    project.setExecutor(QStringLiteral("Петрова"));
    const QString path = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".plq"));
    saveProject(project, path);
    const QString out = m_dir.filePath(QString::fromLatin1(QTest::currentDataTag()) + QStringLiteral(".csv"));
    options.replaceInStrings(QStringLiteral("OUT"), out);

    const test::CliRun run = test::runCli(QStringList{QStringLiteral("export"), path} + options);
    QCOMPARE(run.status, status);
    QCOMPARE(run.err, err);
    QByteArray csv = run.out;
    if (options.contains(out)) {
        QCOMPARE(run.out, QByteArray());
        QFile file(out);
        QCOMPARE(file.exists(), !firstLine.isEmpty());
        if (file.open(QIODevice::ReadOnly))
            csv = file.readAll();
    }
    if (firstLine.isEmpty()) {
        QCOMPARE(csv, QByteArray());
        return;
    }
    QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.takeLast(), QString()); // the last line ends too
    QCOMPARE(lines.first(), firstLine);
    // The time of the export: ISO 8601 with the offset, the same on every row.
    const QRegularExpression time(
        QStringLiteral("([,;])\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d([,;])"));
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QVERIFY2(time.match(lines.at(i)).hasMatch(), qPrintable(lines.at(i)));
        lines[i].replace(time, QStringLiteral("\\1TIME\\2"));
    }
    QVERIFY2(lines.contains(line), qPrintable(lines.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
