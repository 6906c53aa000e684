#include "core/model/densityblock.h"
#include "core/model/project.h"

#include <QFile>
#include <QTest>

using namespace pleq;

using Block = QList<QStringList>;

// Blocks of densities from the clipboard onto the plate: the split of the
// text, the whole plate placed at A1, the cut at the plate's edges, the copy
// of a selection and the clear with its undo.
class TestDensityBlock : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void split_data();
    void split();
    void paste_data();
    void paste();
    void wholePlate_data();
    void wholePlate();
    void copyGivesCellsBack();
    void clearAndRestore();
};

namespace {

// "B3" -> column 3, row 2.
QPoint well(const QString& name)
{
    return {name.mid(1).toInt(), name.at(0).unicode() - 'A' + 1};
}

// Every density well that holds a text, as "B3=0,5", row by row.
QStringList filledWells(const Project& p)
{
    QStringList wells;
    for (int row = 1; row <= 8; ++row)
        for (int col = 1; col <= 12; ++col)
            if (!p.densityTable().cell(col, row).isEmpty())
                wells << TextGrid::rowLetter(row) + QString::number(col) + QLatin1Char('=')
                             + p.densityTable().cell(col, row);
    return wells;
}

void fill(Project& p, const QStringList& wells)
{
    for (const QString& w : wells) {
        const QPoint at = well(w.section(QLatin1Char('='), 0, 0));
        p.densityTable().setCell(at.x(), at.y(), w.section(QLatin1Char('='), 1));
    }
}

QString fixture(const QString& name)
{
    QFile file(QStringLiteral(PLEQ_FIXTURES "/paste/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("no fixture %s", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

} // namespace

void TestDensityBlock::split_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<Block>("expected");
    // clang-format off
    QTest::newRow("one value")              << "0,734"                  << Block{{"0,734"}};
    QTest::newRow("tabs and LF")            << "1,1\t1,2\n2,1\t2,2"     << Block{{"1,1", "1,2"}, {"2,1", "2,2"}};
    QTest::newRow("CR LF, newline at end")  << "0,5\t0.6\r\n0,7\t0.8\r\n" << Block{{"0,5", "0.6"}, {"0,7", "0.8"}};
    QTest::newRow("CR alone")               << "1\r2"                   << Block{{"1"}, {"2"}};
    QTest::newRow("; without a tab")        << "0,1;0,2\n0,3;0,4"       << Block{{"0,1", "0,2"}, {"0,3", "0,4"}};
    QTest::newRow("a tab wins over ;")      << "a;b\tc"                 << Block{{"a;b", "c"}};
    QTest::newRow("empty cells kept")       << "1\t\t3\n\t5\t"          << Block{{"1", "", "3"}, {"", "5", ""}};
    QTest::newRow("blanks trimmed")         << " 0,5 \t\u00a01 "         << Block{{"0,5", "1"}};
    QTest::newRow("blank line: one cell")   << "1\n\n3"                 << Block{{"1"}, {""}, {"3"}};
    QTest::newRow("one empty cell copied")  << "\n"                     << Block{{""}};
    QTest::newRow("rows of their lengths")  << "1\t2\t3\n4"             << Block{{"1", "2", "3"}, {"4"}};
    QTest::newRow("nothing")                << ""                       << Block{};
    QTest::newRow("quoted separators")      << "\"a\tb\"\t\"x\"\"y\"\n\"l1\nl2\"" << Block{{"a\tb", "x\"y"}, {"l1\nl2"}};
    QTest::newRow("quote inside a cell")    << "1\"5\t2"                << Block{{"1\"5", "2"}};
    QTest::newRow("unclosed quote")         << "\"1,5\t2"               << Block{{"\"1,5", "2"}};
    // clang-format on
    // clang-format on
}

void TestDensityBlock::split()
{
    QFETCH(QString, text);
    QFETCH(Block, expected);
    QCOMPARE(splitBlock(text), expected);
}

void TestDensityBlock::paste_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("before"); // wells filled before the paste
    QTest::addColumn<QString>("at");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("message");
    // clang-format off
    QTest::newRow("one value at the well") << QStringList{"B3=9"} << "B3" << "0,5"
        << QStringList{"B3=0,5"} << "";
    QTest::newRow("block from the well") << QStringList{} << "B3" << "1\t2\n3\t4\n"
        << QStringList{"B3=1", "B4=2", "C3=3", "C4=4"} << "";
    QTest::newRow("texts as they stand, ;") << QStringList{} << "A1" << "0.5;0,6;abc"
        << QStringList{"A1=0.5", "A2=0,6", "A3=abc"} << "";
    QTest::newRow("empty cells empty wells") << QStringList{"B3=9", "B4=9", "B5=9"} << "B3" << "1\t\t3"
        << QStringList{"B3=1", "B5=3"} << "";
    QTest::newRow("nothing to paste") << QStringList{"A1=9"} << "A1" << ""
        << QStringList{"A1=9"} << "";
    QTest::newRow("cut right") << QStringList{} << "A11" << "1\t2\t3"
        << QStringList{"A11=1", "A12=2"}
        << "Вставлено 1 × 2 из 1 × 3; 1 столбец справа не поместился на планшет (1 ячейка).";
    QTest::newRow("cut below") << QStringList{} << "G5" << "1\n2\n3\n"
        << QStringList{"G5=1", "H5=2"}
        << "Вставлено 2 × 1 из 3 × 1; 1 строка снизу не поместилась на планшет (1 ячейка).";
    QTest::newRow("cut right and below") << QStringList{} << "G11" << "1\t2\t3\t4\n5\t6\t7\t8\n9\t10\t11\t12"
        << QStringList{"G11=1", "G12=2", "H11=5", "H12=6"}
        << "Вставлено 2 × 2 из 3 × 4; 2 столбца справа и 1 строка снизу не поместились на планшет (8 ячеек).";
    QTest::newRow("ragged rows count their cells") << QStringList{} << "A10" << "1\t2\t3\t4\t5\n6"
        << QStringList{"A10=1", "A11=2", "A12=3", "B10=6"}
        << "Вставлено 2 × 3 из 2 × 5; 2 столбца справа не поместились на планшет (2 ячейки).";
    QTest::newRow("twenty rows") << QStringList{} << "A1" << "1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1\n1"
        << QStringList{"A1=1", "B1=1", "C1=1", "D1=1", "E1=1", "F1=1", "G1=1", "H1=1"}
        << "Вставлено 8 × 1 из 20 × 1; 12 строк снизу не поместились на планшет (12 ячеек).";
    QTest::newRow("a part with headers is no plate") << QStringList{} << "B3" << "1\t2\n0,5\t0,6"
        << QStringList{"B3=1", "B4=2", "C3=0,5", "C4=0,6"} << "";
    // clang-format on
    // clang-format on
}

void TestDensityBlock::paste()
{
    QFETCH(QStringList, before);
    QFETCH(QString, at);
    QFETCH(QString, text);
    QFETCH(QStringList, after);
    QFETCH(QString, message);
    Project p;
    fill(p, before);
    const PasteResult result = pasteDensities(p, well(at).x(), well(at).y(), text);
    QCOMPARE(filledWells(p), after);
    QCOMPARE(pasteMessage(result), message);
    // The headers stay whatever was pasted.
    QCOMPARE(p.densityTable().cell(12, 0), QStringLiteral("12"));
    QCOMPARE(p.densityTable().cell(0, 8), QStringLiteral("H"));

    restoreDensityCells(p, result.previous);
    QCOMPARE(filledWells(p), before);
}

void TestDensityBlock::wholePlate_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("wells"); // A1, A12, E5, H1, H12
    QTest::addColumn<int>("filled");
    // clang-format off
    QTest::newRow("header row and column, CR LF") << "plate-headers.txt"    << QStringList{"1,01", "", "5,05", "8,01", ""} << 80;
    QTest::newRow("header row, points")           << "plate-header-row.txt" << QStringList{"1.01", "1.12", "5.05", "8.01", "8.12"} << 96;
    QTest::newRow("small letters, ;")             << "plate-letters.txt"    << QStringList{"1,01", "1,12", "5,05", "8,01", "8,12"} << 96;
    QTest::newRow("no headers, blanks")           << "plate-bare.txt"       << QStringList{"1,01", "1,12", "5,05", "8,01", "8,12"} << 96;
    // clang-format on
    // clang-format on
}

// A whole plate goes to A1 from any well, without its headers, and its empty
// cells empty the wells they cover.
void TestDensityBlock::wholePlate()
{
    QFETCH(QString, file);
    QFETCH(QStringList, wells);
    QFETCH(int, filled);
    Project p;
    fill(p, {"A12=9", "E5=9"});
    const PasteResult result = pasteDensities(p, 5, 5, fixture(file));
    QCOMPARE(result.col, 1);
    QCOMPARE(result.row, 1);
    QCOMPARE(pasteMessage(result), QString());
    const TextGrid& d = p.densityTable();
    QCOMPARE((QStringList{d.cell(1, 1), d.cell(12, 1), d.cell(5, 5), d.cell(1, 8), d.cell(12, 8)}), wells);
    QCOMPARE(filledWells(p).size(), filled);
    QCOMPARE(d.cell(0, 1), QStringLiteral("A"));
    QCOMPARE(d.cell(1, 0), QStringLiteral("1"));
}

void TestDensityBlock::copyGivesCellsBack()
{
    Project p;
    fill(p, {"B2=0,5", "B3=a\tb", "C3=\"q", "C2=1;2"});
    const QString text = blockText(p.densityTable(), 2, 2, 3, 3);
    QCOMPARE(text, QStringLiteral("0,5\t\"a\tb\"\n\"1;2\"\t\"\"\"q\"\n"));
    QCOMPARE(splitBlock(text), (Block{{"0,5", "a\tb"}, {"1;2", "\"q"}}));
    QCOMPARE(blockText(p.densityTable(), 1, 1, 1, 1), QStringLiteral("\n"));
}

// The clear empties the wells chosen, never a header, and its undo puts back
// what each well held, also when a well was named twice.
void TestDensityBlock::clearAndRestore()
{
    Project p;
    fill(p, {"A1=0,1", "A2=0,2", "B1=0,3"});
    const QList<WellText> previous =
        clearDensityCells(p, {QPoint(1, 1), QPoint(2, 1), QPoint(0, 1), QPoint(1, 0), QPoint(1, 1)});
    QCOMPARE(filledWells(p), (QStringList{"B1=0,3"}));
    QCOMPARE(p.densityTable().cell(0, 1), QStringLiteral("A"));
    QCOMPARE(p.densityTable().cell(1, 0), QStringLiteral("1"));
    QCOMPARE(previous, (QList<WellText>{{1, 1, "0,1"}, {2, 1, "0,2"}, {1, 1, ""}}));
    restoreDensityCells(p, previous);
    QCOMPARE(filledWells(p), (QStringList{"A1=0,1", "A2=0,2", "B1=0,3"}));
}

QTEST_GUILESS_MAIN(TestDensityBlock)
#include "tst_densityblock.moc"
