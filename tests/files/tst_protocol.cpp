#include "support/texts.h"
#include "docstest.h"

#include "core/files/fileio.h"
#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;
using namespace pleq::test;

namespace {

using test::errorOf;

// A well's result from the way the fixtures write it: "0,5", "0,95 "
// (negative), "(0,6)" (doubtful), "" (none yet).
WellResult wellResult(const QString& text)
{
    const auto number = [](QString t) { return t.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(); };
    if (text.isEmpty())
        return {};
    if (text.endsWith(QLatin1Char(' ')))
        return {number(text.chopped(1)), Verdict::Negative};
    if (text.startsWith(QLatin1Char('(')))
        return {number(text.mid(1, text.size() - 2)), Verdict::Doubtful};
    return {number(text), Verdict::Positive};
}

// A calculated plate: the project file of the case and the results the
// calculation left ("|" between the cells, so that trailing blanks show).
std::unique_ptr<Project> plate(const QString& name)
{
    auto project = std::make_unique<Project>();
    readProjectFile(*project, readFixture(QStringLiteral("protocol/%1/project.plq").arg(name)));
    const QList<QByteArray> rows = readFixture(QStringLiteral("protocol/%1/results.txt").arg(name)).split('\n');
    PlateWells wells;
    for (int row = 1; row <= 8; ++row) {
        const QStringList cells = QString::fromUtf8(rows.at(row - 1)).split(QLatin1Char('|'));
        for (int col = 1; col <= 12; ++col)
            wells.at(col, row) = wellResult(cells.at(col - 1));
    }
    project->setResultWells(wells);
    return project;
}

QStringList protocolLines(const Project& project)
{
    return test::windows1251Lines(protocolBytes(project));
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setDecimalSeparator(QLatin1Char(',')); } // the fixtures' texts
    void golden_data();
    void golden();
    void frameWidths();
    void unrepresentableText();
    void listedWithoutSample_data();
    void listedWithoutSample();
    void errors_data();
    void errors();
    void atomicWrite();
};

void TestProtocol::golden_data()
{
    // clang-format off
    QTest::addColumn<QString>("name");
    // kit01: negatives with their blank, a control and a one-character result
    //        not listed, a 15-digit cell widening its line, a sample beyond the
    //        list (empty name), a quantity of 0;
    // kit02: doubtful values, an empty executor; kit03: the "O" control;
    // kit04, kit05: their control pairs; uncalculated: three empty lists.
    for (const char* name : {"kit01", "kit02", "kit03", "kit04", "kit05", "uncalculated"})
        QTest::newRow(name) << QString::fromLatin1(name);
    // clang-format on
}

void TestProtocol::golden()
{
    QFETCH(QString, name);
    const auto project = plate(name);
    const QString diff =
        firstDifference(protocolBytes(*project), readFixture(QStringLiteral("protocol/%1/result.txt").arg(name)));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

// The frame and heading lines keep their widths, trailing blanks included.
void TestProtocol::frameWidths()
{
    const auto project = plate(QStringLiteral("uncalculated"));
    const QStringList lines = protocolLines(*project);
    QCOMPARE(lines.size(), 51);
    const QList<std::pair<int, int>> widths = {
        {1, 79},   {2, 80},   {7, 102},  {8, 103},  {9, 103},  {10, 101}, {17, 101}, {18, 103}, {24, 80},
        {25, 102}, {26, 103}, {27, 103}, {28, 101}, {35, 101}, {36, 103}, {37, 103}, {38, 103}, {39, 103},
        {40, 103}, {41, 103}, {42, 103}, {43, 103}, {44, 103}, {45, 103}, {46, 103}, {49, 103}, {51, 95}};
    for (const auto& [line, width] : widths)
        QVERIFY2(lines.at(line - 1).size() == width,
                 qPrintable(QStringLiteral("line %1 has %2 characters").arg(line).arg(lines.at(line - 1).size())));
    // The bars of the table lines stand under those of the header line.
    for (int i = 0; i < 101; ++i)
        if (lines.at(7).at(i) == QLatin1Char('|'))
            QCOMPARE(lines.at(9).at(i), QLatin1Char('|'));
    QCOMPARE(lines.at(49), QStringLiteral(" ________________________//"));
}

// A paper protocol prints what the code page cannot hold as "?".
void TestProtocol::unrepresentableText()
{
    Project project;
    project.setExecutor(QStringLiteral("Ωмега"));
    const QByteArray bytes = protocolBytes(project);
    QVERIFY(bytes.contains(" ________________________/?\xec\xe5\xe3\xe0/\r\n"));
}

void TestProtocol::listedWithoutSample_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("wells"); // "C2|layout|result" (results written as the fixtures do)
    QTest::addColumn<QStringList>("lists"); // the three lists, trailing blanks cut off
    const QString positive = QStringLiteral("     Положительные:");
    const QString negative = QStringLiteral("     Отрицательные:");
    const QString doubtful = QStringLiteral("     Сомнительные:");
    // The well of sample 0 is the pattern the others follow: listed, no name.
    QTest::newRow("sample 0") << QStringList{"A4|0.1|1,5"}
                              << QStringList{positive, "      [A,4] - 1,5 ([0.1] )", negative, doubtful};
    QTest::newRow("a control in the doubtful zone")
        << QStringList{"C2|C-!|(2,5)"} << QStringList{positive, negative, doubtful, "      [C,2] - (2,5) ([C-!] )"};
    QTest::newRow("a value typed into an empty well")
        << QStringList{"H5| - |0,94"} << QStringList{positive, "      [H,5] - 0,94 ([ - ] )", negative, doubtful};
    QTest::newRow("a letter before the dot")
        << QStringList{"C3|A.1|(0,4)"} << QStringList{positive, negative, doubtful, "      [C,3] - (0,4) ([A.1] )"};
    QTest::newRow("nothing before the dot")
        << QStringList{"C3|.1|0,1 "} << QStringList{positive, negative, "      [C,3] - 0,1  ([.1] )", doubtful};
    // Wells of a named sample around it keep their names, in plate order.
    QTest::newRow("among named wells")
        << QStringList{"A1|1.1|1,2", "A2| - |0,8", "B1|C-!|(2,5)", "B2|1.2|(1,9)", "C1|1.3|0,1 ", "C2|C-.1|0,2 "}
        << QStringList{positive,
                       "      [A,1] - 1,2 ([1.1] Корова 17)",
                       "      [A,2] - 0,8 ([ - ] )",
                       negative,
                       "      [C,1] - 0,1  ([1.3] Корова 17)",
                       "      [C,2] - 0,2  ([C-.1] )",
                       doubtful,
                       "      [B,1] - (2,5) ([C-!] )",
                       "      [B,2] - (1,9) ([1.2] Корова 17)"};
    // clang-format on
}

// A listed well whose layout text names no sample number is listed with no
// name; the rest of the protocol is made as for any plate.
void TestProtocol::listedWithoutSample()
{
    QFETCH(QStringList, wells);
    QFETCH(QStringList, lists);
    Project project;
    project.sampleTable().setCell(1, 1, QStringLiteral("Корова 17"));
    project.sampleTable().setCell(2, 1, QStringLiteral("3"));
    PlateWells results;
    for (const QString& well : wells) {
        const QStringList parts = well.split(QLatin1Char('|'));
        const int row = parts[0].at(0).unicode() - 'A' + 1;
        const int col = parts[0].mid(1).toInt();
        project.plateLayout().setCell(col, row, parts[1]);
        results.at(col, row) = wellResult(parts[2]);
    }
    project.setResultWells(results);

    const QStringList lines = protocolLines(project);
    const qsizetype first = lines.indexOf(QStringLiteral("     Положительные:") + QString(84, QLatin1Char(' ')));
    const qsizetype last = lines.indexOf(QStringLiteral(" ________________________//"));
    QVERIFY(first > 0 && last > first);
    QStringList got;
    for (qsizetype i = first; i < last; ++i) {
        QString line = lines[i];
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        if (!line.isEmpty())
            got.append(line);
    }
    QCOMPARE(got, lists);
}

void TestProtocol::errors_data()
{
    // clang-format off
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("layout");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("quantity");
    QTest::addColumn<QString>("message");
    const QString notInt = QStringLiteral("'%1' is not a valid integer value");
    QTest::newRow("quantity not a number") << 1 << 1 << "1.1" << "" << "2x" << notInt.arg("2x");
    QTest::newRow("quantity empty") << 1 << 1 << "1.1" << "" << "" << notInt.arg("");
    QTest::newRow("quantity past a plate") << 1 << 1 << "1.1" << "" << "97"
                                           << "Sample 1: the quantity 97 is more than the 96 wells of a plate";
    // A listed well whose layout names no sample does not excuse the quantity.
    QTest::newRow("quantity not a number, a control listed") << 2 << 3 << "C-!" << "(2,5)" << "1,5"
                                                              << notInt.arg("1,5");
    // clang-format on
}

// The protocol stops at a sample quantity that is not an integer and writes nothing.
void TestProtocol::errors()
{
    QFETCH(int, col);
    QFETCH(int, row);
    QFETCH(QString, layout);
    QFETCH(QString, result);
    QFETCH(QString, quantity);
    Project project;
    project.plateLayout().setCell(col, row, layout);
    PlateWells wells;
    wells.at(col, row) = wellResult(result);
    project.setResultWells(wells);
    project.sampleTable().setCell(2, 1, quantity);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("result.txt"));
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    QTEST(errorOf([&] { writeProtocol(project, path); }), "message");
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"result.txt"});
}

// result.txt is replaced only once complete; a failed write keeps the earlier one.
void TestProtocol::atomicWrite()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("result.txt"));
    Project project;
    QCOMPARE(errorOf([&] { writeProtocol(project, path); }), QStringLiteral("no error"));
    const QByteArray first = protocolBytes(project);
    project.setExecutor(QStringLiteral("Второй"));
    auto untouched = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.readAll() == first
               && QDir(dir.path()).entryList(QDir::Files) == QStringList{"result.txt"};
    };
    QVERIFY(untouched());

    if (FaultsAvailable) { // A full disk: no file of this process grows past 1000 bytes.
        FileSizeLimit full(500);
        QCOMPARE(errorOf([&] { writeProtocol(project, path); }), QStringLiteral("File too large"));
    }
    QVERIFY(untouched());

    // A folder that is a regular file fails for root as well.
    QCOMPARE(errorOf([&] { writeProtocol(project, path + QStringLiteral("/result.txt")); }),
             QStringLiteral("Not a directory"));

    // A read-only folder (as root: written by an unprivileged user).
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                  | QFileDevice::ExeOther));
    if (FaultsAvailable)
        QCOMPARE(runUnprivileged([&] {
                     return errorOf([&] { writeProtocol(project, path); }) == QLatin1String("File access denied") ? 0
                                                                                                                  : 1;
                 }),
                 0);
    QVERIFY(untouched());
    QVERIFY(
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    // Writing again overwrites the earlier protocol.
    QCOMPARE(errorOf([&] { writeProtocol(project, path); }), QStringLiteral("no error"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), protocolBytes(project));
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
