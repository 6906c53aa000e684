#include "support/clirun.h"
#include "core/files/projectfile.h"
#include "core/model/project.h"
#include "platefixture.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;

// pleq-cli calc on saved projects: the JSON document, the exit status and the
// separator option, through the same open and calculation as the windows.
class TestCalcCli : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void json_data();
    void json();
    void keysInOrder();
    void localeMarkByDefault_data();
    void localeMarkByDefault();
    void readableReport();
    void usage_data();
    void usage();

private:
    QString save(int kit, const QString& wells, const QString& name);
    using Run = test::CliRun;
    static Run cli(const QStringList& args) { return test::runCli(QStringList{QStringLiteral("calc")} + args); }

    QTemporaryDir m_dir;
};

QString TestCalcCli::save(int kit, const QString& wells, const QString& name)
{
    Project project;
    test::selectKit(project, kit);
    test::layPlate(project, wells);
    const QString path = m_dir.filePath(name + QStringLiteral(".plq"));
    saveProject(project, path);
    return path;
}

void TestCalcCli::json_data()
{
    // clang-format off
    QTest::addColumn<int>("kit");
    QTest::addColumn<QString>("wells");
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<int>("status");
    QTest::addColumn<QStringList>("labels"); // "name:text:colour:visible"
    QTest::addColumn<int>("messages");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QStringList>("results"); // "well:text"
    QTest::addColumn<QString>("error");
    QTest::addColumn<QStringList>("wellObjects"); // "well:layout:text:value:kind:sample:verdict"

    using L = QStringList;
    QTest::newRow("kit 05 worked example")
        << 5
        << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,25; C2 C-! 0,1;"
           "D1 1.1 0,9; D2 1.1 0,3; E1 2.1 0,35; E2 2.1 0,2"
        << "," << 0
        << L{"s0:(d(C+)+d(C+))/2 = 1,2:green:true", "s2::default:false", "s3::default:false",
             "s4:((C-) + (C-!))/2 = 0,175:green:true", "ot1:-:default:true"}
        << 0 << L{"1.1 = 3,42857142857143", "2.1 = 0,15", "1.1 = 3,42857142857143", "2.1 = 0,15"}
        << L{"D1:0,9", "E2:0,2 ", "H12:0"} << ""
        << L{"D1:1.1:0,9:0.9:sample:1:positive", "E2:2.1:0,2 :0.2:sample:2:negative",
             "A2:C+!:0,3:0.3:control:null:positive", "H12: - :0:0:empty:null:none"};
    // Reader data come with a full stop; the texts are written with the separator asked for.
    QTest::newRow("kit 01 reader densities, full stop, failed check")
        << 1 << "A1 S+ 0.8; B2 R+! 0.35; C1 C- 1.2; C2 C-! 1.05; D1 1.1 0.95" << "." << 0
        << L{"s0:S+  = 0.8:default:true", "ot1:(C-)/(S+) = 1.5:red:true", "dC0:d(C-)  = ?:default:true",
             "ot2:(C-!)/(R+!) = 3:green:true"}
        << 1 << L{} << L{"D1:0.95 ", "C1:1.2 "} << ""
        << L{"D1:1.1:0.95 :0.95:sample:1:negative", "C1:C-:1.2 :1.2:control:null:negative"};
    QTest::newRow("kit 01 without densities stops at 0/0")
        << 1 << "A1 S+; A2 S+!; B1 R+; B2 R+!; C1 C-; C2 C-!" << "," << 1
        << L{"s0:S+  = 0:default:true", "s5:C-! = 0:default:true", "ot1:-:default:true"} << 0 << L{}
        << L{"A1:", "H12:"} << "Invalid floating point operation"
        << L{"A1:S+::null:control:null:none", "D1: - ::null:empty:null:none"};
    QTest::newRow("kit 03 density not a number")
        << 3 << "A1 C+ 1,8; B1 C- abc" << "," << 1 << L{"s0:-:default:true"} << 0 << L{} << L{"A1:"}
        << "'abc' is not a valid floating point value" << L{"B1:C-::null:control:null:none"};
    // clang-format on
}

void TestCalcCli::json()
{
    QFETCH(int, kit);
    QFETCH(QString, wells);
    QFETCH(QString, decimal);
    QFETCH(int, status);
    QFETCH(QStringList, labels);
    QFETCH(int, messages);
    QFETCH(QStringList, log);
    QFETCH(QStringList, results);
    QFETCH(QString, error);
    QFETCH(QStringList, wellObjects);

    const Run run = cli(
        {save(kit, wells, QStringLiteral("plate")), QStringLiteral("--json"), QStringLiteral("--decimal"), decimal});
    QCOMPARE(run.status, status);
    QJsonParseError parseError;
    const QJsonObject doc = QJsonDocument::fromJson(run.out, &parseError).object();
    QCOMPARE(parseError.error, QJsonParseError::NoError);

    QCOMPARE(doc.value("kit").toString(), QStringLiteral("0%1").arg(kit));
    const QJsonArray labelArray = doc.value("labels").toArray();
    const QStringList names{"s0", "s1", "s2", "s3", "s4", "s5", "ot1", "ot2", "dC0", "dC1"};
    QCOMPARE(labelArray.size(), names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        QCOMPARE(labelArray.at(i).toObject().value("name").toString(), names.at(i));
    for (const QString& expected : labels) {
        const QStringList parts = expected.split(QLatin1Char(':'));
        const QJsonObject label = labelArray.at(names.indexOf(parts.at(0))).toObject();
        QCOMPARE(QStringList({parts.at(0), label.value("text").toString(), label.value("color").toString(),
                              label.value("visible").toBool() ? "true" : "false"}),
                 parts);
    }
    QCOMPARE(doc.value("messages").toArray().size(), messages);
    if (messages > 0)
        QVERIFY(doc.value("messages").toArray().at(0).toString().contains(QLatin1String("\n\r")));
    QCOMPARE(doc.value("log").toVariant().toStringList(), log);
    const QJsonArray rows = doc.value("results").toArray();
    QCOMPARE(rows.size(), 8);
    for (const QJsonValue& row : rows)
        QCOMPARE(row.toArray().size(), 12);
    for (const QString& expected : results) {
        const QString well = expected.section(QLatin1Char(':'), 0, 0);
        const QString text = rows.at(test::wellRow(well) - 1).toArray().at(test::wellColumn(well) - 1).toString();
        QCOMPARE(well + QLatin1Char(':') + text, expected);
    }
    if (error.isEmpty())
        QVERIFY(doc.value("error").isNull());
    else
        QCOMPARE(doc.value("error").toString(), error);

    // One object per well, row by row.
    const QJsonArray wellArray = doc.value("wells").toArray();
    QCOMPARE(wellArray.size(), 96);
    QCOMPARE(wellArray.at(0).toObject().value("well").toString(), QStringLiteral("A1"));
    QCOMPARE(wellArray.at(12).toObject().value("well").toString(), QStringLiteral("B1"));
    QCOMPARE(wellArray.at(95).toObject().value("well").toString(), QStringLiteral("H12"));
    const auto text = [](const QJsonValue& v) {
        return v.isNull() ? QStringLiteral("null") : v.isDouble() ? QString::number(v.toDouble()) : v.toString();
    };
    for (const QString& expected : wellObjects) {
        const QString well = expected.section(QLatin1Char(':'), 0, 0);
        const QJsonObject w = wellArray.at((test::wellRow(well) - 1) * 12 + test::wellColumn(well) - 1).toObject();
        QStringList got{w.value("well").toString()};
        for (const char* key : {"layout", "text", "value", "kind", "sample", "verdict"})
            got.append(text(w.value(QLatin1String(key))));
        QCOMPARE(got.join(QLatin1Char(':')), expected);
    }
}

void TestCalcCli::keysInOrder()
{
    const Run run = cli({save(2, "A1 C+ 0,2; B1 C- 1,5", "keys"), "--json"});
    QCOMPARE(run.status, 0);
    qsizetype last = -1;
    for (const char* key :
         {"\"kit\"", "\"labels\"", "\"messages\"", "\"log\"", "\"results\"", "\"error\"", "\"wells\""}) {
        const qsizetype at = run.out.indexOf(key);
        QVERIFY2(at > last, key);
        last = at;
    }
}

// Without --decimal, calc and protocol write the mark of the user's locale:
// the comma under ru_RU, the full stop under C.
void TestCalcCli::localeMarkByDefault_data()
{
    // clang-format off
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("comma");
    QTest::newRow("ru_RU.UTF-8") << "ru_RU.UTF-8" << true;
    QTest::newRow("C.UTF-8") << "C.UTF-8" << false;
    // clang-format on
}

void TestCalcCli::localeMarkByDefault()
{
    QFETCH(QString, locale);
    QFETCH(bool, comma);
#ifdef Q_OS_WIN
    QSKIP("On Windows a program takes its locale from the user's settings, which LC_ALL does not set and which the "
          "tests running beside this one under Wine change as they start");
#endif
    const QString path = save(2, "A1 C+ 0.2; B1 C- 1,5; C1 1.1 1.6", "locale");

    const Run calc = test::runCli({QStringLiteral("calc"), path, QStringLiteral("--json")}, 60000, locale);
    QCOMPARE(calc.status, 0);
    const QJsonObject doc = QJsonDocument::fromJson(calc.out).object();
    QCOMPARE(doc.value("labels").toArray().at(0).toObject().value("text").toString(),
             comma ? QStringLiteral("C+  = 0,2") : QStringLiteral("C+  = 0.2"));
    QCOMPARE(doc.value("results").toArray().at(2).toArray().at(0).toString(),
             comma ? QStringLiteral("1,6 ") : QStringLiteral("1.6 "));

    const Run protocol = test::runCli({QStringLiteral("protocol"), path}, 60000, locale);
    QCOMPARE(protocol.status, 0);
    QVERIFY(protocol.out.contains(comma ? "\r\n      [C,1] - 1,6  ([1.1] " : "\r\n      [C,1] - 1.6  ([1.1] "));
}

void TestCalcCli::readableReport()
{
    const Run run = cli({save(2, "A1 C+ 0,5; B1 C- 1,5; C1 1.1 4,0", "report"), "--decimal", ","});
    QCOMPARE(run.status, 0);
    const QString text = QString::fromUtf8(run.out);
    QVERIFY2(text.contains(QStringLiteral("C+  = 0,5  [red]")), qPrintable(text));
    QVERIFY(text.contains(QStringLiteral("(C-)/(C+) = 3  [red]")));
    QVERIFY(text.contains(QStringLiteral("Не верное отношение коэффициентов. / (C-)/(C+)<5.")));
    QVERIFY(text.contains(QStringLiteral(" 4- ")));
}

void TestCalcCli::usage_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no project") << QStringList{"--json"} << "usage: pleq-cli calc";
    QTest::newRow("separator not , or .") << QStringList{"x.plq", "--decimal", ";"} << "--decimal";
    QTest::newRow("separator missing") << QStringList{"x.plq", "--decimal"} << "--decimal";
    QTest::newRow("unknown option") << QStringList{"x.plq", "--csv"} << "usage: pleq-cli calc";
    QTest::newRow("no such file") << QStringList{"/nonexistent/x.plq", "--json"} << "pleq-cli: ";
    // clang-format on
}

void TestCalcCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Run run = cli(args);
    QCOMPARE(run.status, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCalcCli)
#include "tst_calccli.moc"
