#include "platemap.h"

#include "core/kits/catalogue.h"
#include "core/layout/fill.h"
#include "core/layout/rules.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QTest>

#include <map>

using namespace pleq;
using test::headersIntact;
using test::sortedWells;
using test::wellsOf;

namespace {

// The nine rules by their names, as the kit catalogue holds them.
std::map<QString, const LayoutTable*> rulesByName()
{
    std::map<QString, const LayoutTable*> rules;
    for (const KitEntry& entry : kitCatalogue())
        for (const LayoutTable* table : {entry.vertical, entry.horizontal})
            if (table)
                rules[QLatin1String(table->name)] = table;
    return rules;
}

void runRule(const QString& name, TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    static const std::map<QString, const LayoutTable*> rules = rulesByName();
    QVERIFY2(rules.count(name), qPrintable(name));
    applyLayout(*rules.at(name), plate, samples, r0, c0, k, m);
}

void setQuantities(TextGrid& samples, const QStringList& quantities)
{
    samples.setRows(int(quantities.size()) + 1);
    for (int i = 1; i <= quantities.size(); ++i) {
        samples.setCell(0, i, QString::number(i));
        samples.setCell(1, i, QStringLiteral("Проба №") + QString::number(i));
        samples.setCell(2, i, quantities.at(i - 1));
    }
}

// The wells of a plate filled in order, row by row or column by column, with
// the given texts; the rest stays empty.
QStringList inOrder(bool byRows, const QStringList& texts)
{
    QStringList wells;
    for (int n = 0; n < texts.size() && n < 96; ++n) {
        const int row = byRows ? n / 12 + 1 : n % 8 + 1;
        const int col = byRows ? n % 12 + 1 : n / 8 + 1;
        wells.append(test::wellName(col, row) + QLatin1Char('=') + texts.at(n));
    }
    return wells;
}

QStringList sampleTexts(int sample, int from, int to)
{
    QStringList texts;
    for (int j = from; j <= to; ++j)
        texts.append(QStringLiteral("%1.%2").arg(sample).arg(j));
    return texts;
}

QStringList repeated(const QStringList& texts, int m)
{
    QStringList out;
    for (const QString& text : texts)
        for (int rep = 0; rep < m; ++rep)
            out.append(text);
    return out;
}

} // namespace

class TestLayoutRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void refillLeavesNothingBehind();
    void fillPlateDispatch_data();
    void fillPlateDispatch();
    void fillPlateBadBox_data();
    void fillPlateBadBox();
};

void TestLayoutRules::rules_data()
{
    // clang-format off
    QTest::addColumn<QString>("rule");
    QTest::addColumn<QString>("firstWell");
    QTest::addColumn<int>("k");
    QTest::addColumn<int>("m");
    QTest::addColumn<QStringList>("quantities");
    QTest::addColumn<QStringList>("wells");
    QTest::addColumn<QString>("error");

    const QStringList q12{"1", "2"};
    // clang-format off
    // The worked examples: first well A1, k = 1, m = 1, quantities 1 and 2.
    QTest::newRow("N01Goriz") << "N01Goriz" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=S+", "B1=S+!", "A2=R+", "B2=R+!", "A3=C-", "B3=C-!", "A4=1.1", "B4=1.1", "A5=2.1", "B5=2.1", "A6=2.2", "B6=2.2"} << "";
    QTest::newRow("N01Vert") << "N01Vert" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1", "E1=2.1", "E2=2.1", "F1=2.2", "F2=2.2"} << "";
    QTest::newRow("N02Goriz") << "N02Goriz" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "A2=C-", "A3=1.1", "A4=2.1", "A5=2.2"} << "";
    QTest::newRow("N02Vert") << "N02Vert" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "B1=C-", "C1=1.1", "D1=2.1", "E1=2.2"} << "";
    QTest::newRow("N03Goriz") << "N03Goriz" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "A2=C-", "A3=O", "A4=1.1", "A5=2.1", "A6=2.2"} << "";
    QTest::newRow("N03Vert") << "N03Vert" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "B1=C-", "C1=O", "D1=1.1", "E1=2.1", "F1=2.2"} << "";
    QTest::newRow("N04Goriz") << "N04Goriz" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "A2=C+", "A3=C-", "A4=C-", "A5=1.1", "A6=2.1", "A7=2.2"} << "";
    QTest::newRow("N04Vert") << "N04Vert" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "B1=C+", "C1=C-", "D1=C-", "E1=1.1", "F1=2.1", "G1=2.2"} << "";
    QTest::newRow("N05Vert") << "N05Vert" << "A1" << 1 << 1 << q12 << QStringList{
        "A1=C+", "A2=C+!", "B1=C+", "B2=C+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1", "E1=2.1", "E2=2.1", "F1=2.2", "F2=2.2"} << "";

    // Repetitions repeat each sample text, never the controls.
    QTest::newRow("N02Vert m=2") << "N02Vert" << "A1" << 1 << 2 << QStringList{"2"} << QStringList{
        "A1=C+", "B1=C-", "C1=1.1", "D1=1.1", "E1=1.2", "F1=1.2"} << "";
    QTest::newRow("N01Vert m=3") << "N01Vert" << "A1" << 1 << 3 << QStringList{"1", "1"} << QStringList{
        "A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1", "E1=1.1", "E2=1.1",
        "F1=1.1", "F2=1.1", "G1=2.1", "G2=2.1", "H1=2.1", "H2=2.1", "A3=2.1", "A4=2.1"} << "";
    QTest::newRow("N04Goriz m=0: controls only") << "N04Goriz" << "A1" << 1 << 0 << q12 << QStringList{
        "A1=C+", "A2=C+", "A3=C-", "A4=C-"} << "";

    // The control count.
    QTest::newRow("N02Goriz k=2") << "N02Goriz" << "A1" << 2 << 1 << QStringList{"1"} << QStringList{
        "A1=C+", "A2=C+", "A3=C-", "A4=C-", "A5=1.1"} << "";
    QTest::newRow("N03Vert k=0: no controls") << "N03Vert" << "A1" << 0 << 1 << q12 << QStringList{
        "A1=1.1", "B1=2.1", "C1=2.2"} << "";
    QTest::newRow("N05Vert k=3: still two C+ pairs") << "N05Vert" << "A1" << 3 << 1 << QStringList{"1"} << QStringList{
        "A1=C+", "A2=C+!", "B1=C+", "B2=C+!", "C1=C-", "C2=C-!", "D1=C-", "D2=C-!", "E1=C-", "E2=C-!", "F1=1.1", "F2=1.1"} << "";
    QTest::newRow("N05Vert k=0: still two C+ pairs") << "N05Vert" << "A1" << 0 << 1 << QStringList{"1"} << QStringList{
        "A1=C+", "A2=C+!", "B1=C+", "B2=C+!", "C1=1.1", "C2=1.1"} << "";

    // Wraps: to the first column (row) of the next row (column), or the next pair of them.
    QTest::newRow("N02Vert from H1 wraps to A2") << "N02Vert" << "H1" << 1 << 1 << QStringList{"3"} << QStringList{
        "H1=C+", "A2=C-", "B2=1.1", "C2=1.2", "D2=1.3"} << "";
    QTest::newRow("N04Goriz from A12 loses A13, wraps to B1") << "N04Goriz" << "A12" << 1 << 1 << QStringList{"2"} << QStringList{
        "A12=C+", "B1=C-", "B2=C-", "B3=1.1", "B4=1.2"} << "";
    QTest::newRow("N04Vert from G1 wraps to A2") << "N04Vert" << "G1" << 1 << 1 << QStringList{"2"} << QStringList{
        "G1=C+", "H1=C+", "A2=C-", "B2=C-", "C2=1.1", "D2=1.2"} << "";
    QTest::newRow("N04Vert pair from H1 loses its second well") << "N04Vert" << "H1" << 1 << 1 << QStringList{"1"} << QStringList{
        "H1=C+", "A2=C-", "B2=C-", "C2=1.1"} << "";
    QTest::newRow("N01Goriz wraps two rows") << "N01Goriz" << "A1" << 1 << 1 << QStringList{"11"} << QStringList{
        "A1=S+", "B1=S+!", "A2=R+", "B2=R+!", "A3=C-", "B3=C-!", "A4=1.1", "B4=1.1", "A5=1.2", "B5=1.2",
        "A6=1.3", "B6=1.3", "A7=1.4", "B7=1.4", "A8=1.5", "B8=1.5", "A9=1.6", "B9=1.6", "A10=1.7", "B10=1.7", "A11=1.8", "B11=1.8", "A12=1.9", "B12=1.9",
        "C1=1.10", "D1=1.10", "C2=1.11", "D2=1.11"} << "";
    QTest::newRow("N01Vert wraps two columns") << "N01Vert" << "A1" << 1 << 1 << QStringList{"6"} << QStringList{
        "A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!", "D1=1.1", "D2=1.1", "E1=1.2", "E2=1.2",
        "F1=1.3", "F2=1.3", "G1=1.4", "G2=1.4", "H1=1.5", "H2=1.5", "A3=1.6", "A4=1.6"} << "";

    // Losses at the plate's end.
    QTest::newRow("N01Goriz from H1: first wells only, to H12") << "N01Goriz" << "H1" << 1 << 1 << QStringList{"10"}
        << QStringList{"H1=S+", "H2=R+", "H3=C-", "H4=1.1", "H5=1.2", "H6=1.3", "H7=1.4", "H8=1.5", "H9=1.6",
                       "H10=1.7", "H11=1.8", "H12=1.9"} << "";
    QTest::newRow("N01Vert column 12: first wells only, to H12") << "N01Vert" << "A12" << 1 << 1 << QStringList{"10"}
        << QStringList{"A12=S+", "B12=R+", "C12=C-", "D12=1.1", "E12=1.2", "F12=1.3", "G12=1.4", "H12=1.5"} << "";
    QTest::newRow("N05Vert column 12: first wells only, to H12") << "N05Vert" << "C12" << 1 << 1 << QStringList{"10"}
        << QStringList{"C12=C+", "D12=C+", "E12=C-", "F12=1.1", "G12=1.2", "H12=1.3"} << "";
    QTest::newRow("N03Goriz from H12: the rest is lost") << "N03Goriz" << "H12" << 1 << 1 << QStringList{"5"}
        << QStringList{"H12=C+"} << "";
    QTest::newRow("N02Goriz 100 wells: full row by row") << "N02Goriz" << "A1" << 1 << 1 << QStringList{"100"}
        << inOrder(true, QStringList{"C+", "C-"} + sampleTexts(1, 1, 94)) << "";
    QTest::newRow("N02Vert 100 wells: full column by column") << "N02Vert" << "A1" << 1 << 1 << QStringList{"60", "40"}
        << inOrder(false, QStringList{"C+", "C-"} + sampleTexts(1, 1, 60) + sampleTexts(2, 1, 34)) << "";
    QTest::newRow("N02Vert huge quantity") << "N02Vert" << "A1" << 1 << 3 << QStringList{"2000000000"}
        << inOrder(false, QStringList{"C+", "C-"} + repeated(sampleTexts(1, 1, 32), 3)) << "";
    QTest::newRow("N02Vert first column 13: nothing lands") << "N02Vert" << "A13" << 1 << 1 << q12 << QStringList{} << "";

    // Quantities of 0 or less are skipped; later samples keep their numbers.
    QTest::newRow("quantities 2, 0, 1") << "N02Vert" << "A1" << 1 << 1 << QStringList{"2", "0", "1"} << QStringList{
        "A1=C+", "B1=C-", "C1=1.1", "D1=1.2", "E1=3.1"} << "";
    QTest::newRow("negative quantity") << "N01Goriz" << "A1" << 1 << 1 << QStringList{"-3", "1"} << QStringList{
        "A1=S+", "B1=S+!", "A2=R+", "B2=R+!", "A3=C-", "B3=C-!", "A4=2.1", "B4=2.1"} << "";

    // A quantity that is no integer ends the rule; the wells written so far stay.
    QTest::newRow("letters after a sample") << "N02Vert" << "A1" << 1 << 1 << QStringList{"2", "abc", "1"} << QStringList{
        "A1=C+", "B1=C-", "C1=1.1", "D1=1.2"} << "'abc' is not a valid integer value";
    QTest::newRow("letters in the first sample") << "N01Vert" << "A1" << 1 << 1 << QStringList{"x"} << QStringList{
        "A1=S+", "A2=S+!", "B1=R+", "B2=R+!", "C1=C-", "C2=C-!"} << "'x' is not a valid integer value";
    QTest::newRow("empty quantity") << "N04Vert" << "A1" << 1 << 1 << QStringList{""} << QStringList{
        "A1=C+", "B1=C+", "C1=C-", "D1=C-"} << "'' is not a valid integer value";
    QTest::newRow("bad quantity after a full plate") << "N02Goriz" << "A1" << 1 << 1 << QStringList{"200", "1,5"}
        << inOrder(true, QStringList{"C+", "C-"} + sampleTexts(1, 1, 94)) << "'1,5' is not a valid integer value";
    // clang-format on
    // clang-format on
}

void TestLayoutRules::rules()
{
    QFETCH(QString, rule);
    QFETCH(QString, firstWell);
    QFETCH(int, k);
    QFETCH(int, m);
    QFETCH(QStringList, quantities);
    QFETCH(QStringList, wells);
    QFETCH(QString, error);

    Project project;
    setQuantities(project.sampleTable(), quantities);
    TextGrid& plate = project.plateLayout();
    // An earlier fill's texts must not survive.
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            plate.setCell(col, row, QStringLiteral("old"));

    const int r0 = firstWell.at(0).unicode() - 'A' + 1;
    const int c0 = firstWell.mid(1).toInt();
    QString thrown;
    try {
        runRule(rule, plate, project.sampleTable(), r0, c0, k, m);
    } catch (const Error& e) {
        thrown = e.message();
    }
    QCOMPARE(thrown, error);
    QCOMPARE(wellsOf(plate), sortedWells(wells));
    QVERIFY(headersIntact(plate));
}

void TestLayoutRules::refillLeavesNothingBehind()
{
    Project project;
    setQuantities(project.sampleTable(), {"100"});
    runRule("N03Goriz", project.plateLayout(), project.sampleTable(), 1, 1, 1, 1);
    setQuantities(project.sampleTable(), {"1"});
    runRule("N03Goriz", project.plateLayout(), project.sampleTable(), 1, 1, 1, 1);
    QCOMPARE(wellsOf(project.plateLayout()), (QStringList{"A1=C+", "A2=C-", "A3=O", "A4=1.1"}));
}

void TestLayoutRules::fillPlateDispatch_data()
{
    // clang-format off
    QTest::addColumn<int>("kitIndex");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<QString>("rule");
    QTest::newRow("01 horizontal") << 0 << true << "N01Goriz";
    QTest::newRow("01 vertical") << 0 << false << "N01Vert";
    QTest::newRow("02 horizontal") << 1 << true << "N02Goriz";
    QTest::newRow("02 vertical") << 1 << false << "N02Vert";
    QTest::newRow("03 horizontal") << 2 << true << "N03Goriz";
    QTest::newRow("03 vertical") << 2 << false << "N03Vert";
    QTest::newRow("04 horizontal") << 3 << true << "N04Goriz";
    QTest::newRow("04 vertical") << 3 << false << "N04Vert";
    QTest::newRow("05 vertical") << 4 << false << "N05Vert";
    // Kit 05 has no horizontal rule: a horizontal setting (only a model
    // caller can make one) still lays it out vertically.
    QTest::newRow("05 horizontal") << 4 << true << "N05Vert";
    // clang-format on
}

// "Заполнить" reads the first well, the control count and the repetitions from
// the boxes' texts and runs the rule of the kit and orientation.
void TestLayoutRules::fillPlateDispatch()
{
    QFETCH(int, kitIndex);
    QFETCH(bool, horizontal);
    QFETCH(QString, rule);

    Project project;
    project.selectKit(Kit(kitIndex));
    project.setHorizontal(horizontal);
    project.setFirstWell({6, 7});
    project.setControlCount(2);
    project.setRepetitions(2);
    setQuantities(project.sampleTable(), {"3", "0", "2"});
    fillPlate(project);

    Project expected;
    setQuantities(expected.sampleTable(), {"3", "0", "2"});
    runRule(rule, expected.plateLayout(), expected.sampleTable(), 6, 7, 2, 2);
    QVERIFY(wellsOf(expected.plateLayout()).size() > 5);
    QCOMPARE(wellsOf(project.plateLayout()), wellsOf(expected.plateLayout()));
    QVERIFY(headersIntact(project.plateLayout()));
}

void TestLayoutRules::fillPlateBadBox_data()
{
    // clang-format off
    QTest::addColumn<QString>("controlCount");
    QTest::addColumn<QString>("repetitions");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("error");
    QTest::newRow("control count") << "x" << "01" << "1" << "'x' is not a valid integer value";
    QTest::newRow("repetitions") << "1" << "" << "1" << "'' is not a valid integer value";
    QTest::newRow("column") << "1" << "01" << "1a" << "'1a' is not a valid integer value";
    // clang-format on
}

// A box text that is no integer ends the fill with the map already cleared.
void TestLayoutRules::fillPlateBadBox()
{
    QFETCH(QString, controlCount);
    QFETCH(QString, repetitions);
    QFETCH(QString, column);
    Project project;
    fillPlate(project);
    QVERIFY(!wellsOf(project.plateLayout()).isEmpty());

    project.setControlCount(ControlCount::fromText(controlCount));
    project.setRepetitions(Repetitions::fromText(repetitions));
    project.setFirstWell({1, FirstColumn::fromText(column)});
    QString thrown;
    try {
        fillPlate(project);
    } catch (const Error& e) {
        thrown = e.message();
    }
    QTEST(thrown, "error");
    QVERIFY(wellsOf(project.plateLayout()).isEmpty());
    QVERIFY(headersIntact(project.plateLayout()));
}

QTEST_GUILESS_MAIN(TestLayoutRules)
#include "tst_layoutrules.moc"
