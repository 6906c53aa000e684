#include "core/calc/calculation.h"
#include "core/files/fileio.h"
#include "core/files/protocol.h"
#include "core/layout/fill.h"
#include "core/model/numberformat.h"
#include "core/model/operations.h"
#include "core/model/project.h"

#include <QTest>

using namespace pleq;

namespace {

const char* const Letters = "ABCDEFGH";

// The plate map as "A1 S+; A2 S+!; ...", the wells that hold a text, column by column.
QString layoutText(const Project& project)
{
    QStringList wells;
    for (int col = 1; col < Project::PlateColumns; ++col)
        for (int row = 1; row < Project::PlateRows; ++row)
            if (project.plateLayout().cell(col, row) != Project::EmptyWell)
                wells << QStringLiteral("%1%2 %3")
                             .arg(QLatin1Char(Letters[row - 1]))
                             .arg(col)
                             .arg(project.plateLayout().cell(col, row));
    return wells.join(QStringLiteral("; "));
}

// Types "A1 0,3; B1 0,8" into the density grid.
void typeDensities(Project& project, const QString& densities)
{
    for (const QString& item : densities.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(QLatin1Char(' '));
        const int row = parts.at(0).at(0).unicode() - 'A' + 1;
        project.densityTable().setCell(parts.at(0).mid(1).toInt(), row, parts.at(1));
    }
}

// The result lines of the protocol under each of its three headings, as "+ [D,1] - 0,5 ([2.1] Проба №2)".
QStringList protocolResults(const Project& project)
{
    const QString text = files::fromWindows1251(protocolBytes(project));
    QStringList lines;
    QString mark;
    for (const QString& line : text.split(QStringLiteral("\r\n"))) {
        const QString trimmed = line.trimmed();
        if (trimmed == QStringLiteral("Положительные:"))
            mark = QStringLiteral("+");
        else if (trimmed == QStringLiteral("Отрицательные:"))
            mark = QStringLiteral("-");
        else if (trimmed == QStringLiteral("Сомнительные:"))
            mark = QStringLiteral("?");
        else if (!mark.isEmpty() && trimmed.startsWith(QLatin1Char('[')))
            lines << mark + QLatin1Char(' ') + trimmed;
    }
    return lines;
}

} // namespace

// What each kit's catalogue entry does, end to end: "Заполнить" lays the
// kit's rule (two samples of quantities 1 and 2 from A1), "Расчет" runs the
// kit's procedure on its worked example with every check passed, and the
// protocol lists the sample wells by verdict while the kit's control wells,
// known by their letters, stay out of it.
class TestCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setDecimalSeparator(QLatin1Char(',')); }
    void cleanup() { setDecimalSeparator(std::nullopt); }
    void kits_data();
    void kits();
};

void TestCatalogue::kits_data()
{
    // clang-format off
    QTest::addColumn<int>("kit");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("material");           // "Молоко" / "Сыворотка" offered
    QTest::addColumn<bool>("horizontalOffered");
    QTest::addColumn<QString>("layout");          // after "Заполнить"
    QTest::addColumn<QString>("densities");       // typed before "Расчет"; none: no run
    QTest::addColumn<QStringList>("labels");      // "name=text" of the labels the example fixes
    QTest::addColumn<QStringList>("protocol");    // the protocol's result lines

    QTest::newRow("01 vertical")
        << 1 << false << false << true
        << "A1 S+; B1 R+; C1 C-; D1 1.1; E1 2.1; F1 2.2; A2 S+!; B2 R+!; C2 C-!; D2 1.1; E2 2.1; F2 2.2"
        << "A1 0,3; A2 0,9; B1 0,8; B2 0,35; C1 1,2; C2 1,05; D1 0,95; D2 0,5"
        << QStringList{"s0=S+  = 0,3", "ot1=(C-)/(S+)   = 4", "dC0=d(C-)  = 0,8", "ot2=(C-!)/(R+!) = 3",
                       "dC1=d(C-!) = 0,7"}
        << QStringList{"+ [D,2] - 0,5 ([1.1] Проба №1)", "- [D,1] - 0,95  ([1.1] Проба №1)"};
    QTest::newRow("01 horizontal")
        << 1 << true << false << true
        << "A1 S+; B1 S+!; A2 R+; B2 R+!; A3 C-; B3 C-!; A4 1.1; B4 1.1; A5 2.1; B5 2.1; A6 2.2; B6 2.2" << ""
        << QStringList{} << QStringList{};
    QTest::newRow("02 vertical")
        << 2 << false << false << true << "A1 C+; B1 C-; C1 1.1; D1 2.1; E1 2.2"
        << "A1 0,2; B1 1,5; C1 1,6; D1 1,3; E1 0,5"
        << QStringList{"s0=C+  = 0,2", "s1=C- = 1,5", "s2=-", "ot1=(C-)/(C+)   = 7,5"}
        << QStringList{"+ [E,1] - 0,5 ([2.2] Проба №2)", "- [C,1] - 1,6  ([1.1] Проба №1)",
                       "? [D,1] - (1,3) ([2.1] Проба №2)"};
    QTest::newRow("02 horizontal")
        << 2 << true << false << true << "A1 C+; A2 C-; A3 1.1; A4 2.1; A5 2.2" << "" << QStringList{}
        << QStringList{};
    QTest::newRow("03 vertical")
        << 3 << false << false << true << "A1 C+; B1 C-; C1 O; D1 1.1; E1 2.1; F1 2.2"
        << "A1 1,8; B1 0,2; C1 0,5; D1 0,45; E1 0,6; F1 0,8"
        << QStringList{"s0=C+  = 1,8", "s2=O  = 0,5", "ot1=(C+)/(C-)   = 9"}
        << QStringList{"+ [F,1] - 0,8 ([2.2] Проба №2)", "- [D,1] - 0,45  ([1.1] Проба №1)",
                       "? [E,1] - (0,6) ([2.1] Проба №2)"};
    QTest::newRow("03 horizontal")
        << 3 << true << false << true << "A1 C+; A2 C-; A3 O; A4 1.1; A5 2.1; A6 2.2" << "" << QStringList{}
        << QStringList{};
    QTest::newRow("04 vertical")
        << 4 << false << true << true << "A1 C+; B1 C+; C1 C-; D1 C-; E1 1.1; F1 2.1; G1 2.2"
        << "A1 1,2; B1 1,0; C1 0,15; D1 0,15; E1 0,3; F1 0,375; G1 0,6"
        << QStringList{"s0=((C+)+(C+))/2 = 1,1", "s1=((C-)+(C-))/2 = 0,15", "ot1=(C+)/(C-)   = 7,33333333333333"}
        << QStringList{"+ [F,1] - 0,375 ([2.1] Проба №2)", "+ [G,1] - 0,6 ([2.2] Проба №2)",
                       "- [E,1] - 0,3  ([1.1] Проба №1)"};
    QTest::newRow("04 horizontal")
        << 4 << true << true << true << "A1 C+; A2 C+; A3 C-; A4 C-; A5 1.1; A6 2.1; A7 2.2" << ""
        << QStringList{} << QStringList{};
    QTest::newRow("05 vertical")
        << 5 << false << true << false
        << "A1 C+; B1 C+; C1 C-; D1 1.1; E1 2.1; F1 2.2; A2 C+!; B2 C+!; C2 C-!; D2 1.1; E2 2.1; F2 2.2"
        << "A1 1,5; A2 0,3; B1 1,4; B2 0,2; C1 0,25; C2 0,1; D1 0,9; D2 0,3; E1 0,35; E2 0,2; F1 0,5; F2 0,2"
        << QStringList{"s0=(d(C+)+d(C+))/2 = 1,2", "s1=d(C-) = (C-)-(C-!) = 0,15", "s4=((C-) + (C-!))/2 = 0,175"}
        << QStringList{"+ [D,1] - 0,9 ([1.1] Проба №1)", "+ [D,2] - 0,3 ([1.1] Проба №1)",
                       "- [E,1] - 0,35  ([2.1] Проба №2)", "- [E,2] - 0,2  ([2.1] Проба №2)",
                       "- [F,1] - 0,5  ([2.2] Проба №2)", "- [F,2] - 0,2  ([2.2] Проба №2)"};
    // Kit 05 has one rule: the horizontal choice lays the vertical one.
    QTest::newRow("05 horizontal chosen")
        << 5 << true << true << false
        << "A1 C+; B1 C+; C1 C-; D1 1.1; E1 2.1; F1 2.2; A2 C+!; B2 C+!; C2 C-!; D2 1.1; E2 2.1; F2 2.2" << ""
        << QStringList{} << QStringList{};
    // clang-format on
}

void TestCatalogue::kits()
{
    QFETCH(int, kit);
    QFETCH(bool, horizontal);
    QFETCH(bool, material);
    QFETCH(bool, horizontalOffered);
    QFETCH(QString, layout);
    QFETCH(QString, densities);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, protocol);

    Project project;
    project.setExecutor(QStringLiteral("Исп"));
    changeKit(project, Kit(kit - 1));
    QCOMPARE(project.materialOffered(), material);
    QCOMPARE(project.horizontalOffered(), horizontalOffered);
    project.setHorizontal(horizontal);
    const int second = addSampleRow(project);
    project.sampleTable().setCell(2, second, QStringLiteral("2"));
    fillPlate(project);
    QCOMPARE(layoutText(project), layout);
    if (densities.isEmpty())
        return;

    typeDensities(project, densities);
    QStringList messages;
    const PlateResult result = calculatePlate(project, [&](const QString& text) { messages << text; });
    QVERIFY2(!result.error, qPrintable(result.error.value_or(QString())));
    QCOMPARE(messages, QStringList{});
    for (const QString& expected : labels) {
        const QString name = expected.section(QLatin1Char('='), 0, 0);
        int label = 0;
        while (label < LabelCount && name != QLatin1String(labelName(Label(label))))
            ++label;
        QVERIFY2(label < LabelCount, qPrintable(name));
        QCOMPARE(name + QLatin1Char('=') + project.label(Label(label)).text, expected);
    }
    QCOMPARE(protocolResults(project), protocol);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
