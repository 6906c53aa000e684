#include "support/clirun.h"

#include "core/files/fileio.h"
#include "core/files/projectfile.h"
#include "core/files/readerexport.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;
using namespace pleq::files;

namespace {

QString fixturePath(const QString& name)
{
    return QStringLiteral(PLEQ_FIXTURES "/import/") + name;
}

QByteArray fixture(const QString& name)
{
    QFile f(fixturePath(name));
    if (!f.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(f.fileName()));
    return f.readAll();
}

QString density(const ReaderExport& plate, int col, int row)
{
    return plate.densities[size_t(ReaderExport::index(col, row))];
}

// "A1=OVRFLW C3=" for the wells the file holds without a number.
QString marked(const ReaderExport& plate)
{
    QStringList wells;
    for (const MarkedWell& m : plate.markedWells)
        wells.append(m.well + QLatin1Char('=') + m.text);
    return wells.join(QLatin1Char(' '));
}

QString rowLetters(int row)
{
    return row <= 26 ? QString(QLatin1Char(char('A' + row - 1)))
                     : QStringLiteral("A") + QLatin1Char(char('A' + row - 27));
}

// A tab-separated table of 0.5 under a header 1..cols: rows lettered A.., or
// without letters under a temperature column.
QByteArray grid(int rows, int cols, bool letters = true)
{
    QString text = letters ? QString() : QStringLiteral("\tTemperature(°C)");
    for (int c = 1; c <= cols; ++c)
        text += QStringLiteral("\t%1").arg(c);
    for (int r = 1; r <= rows; ++r) {
        text += QLatin1Char('\n') + (letters ? rowLetters(r) : QStringLiteral("\t"));
        for (int c = 1; c <= cols; ++c)
            text += QStringLiteral("\t0.5");
    }
    return text.toUtf8() + "\n";
}

// A results table whose rows A..H each hold a line per label, every line
// ending with its label; row `odd` gives its last line the label "other".
QByteArray results(const QList<QByteArray>& labels, int odd = 0)
{
    QByteArray text = "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t\n";
    for (int r = 1; r <= 8; ++r) {
        for (qsizetype k = 0; k < labels.size(); ++k) {
            text += k == 0 ? rowLetters(r).toUtf8() : QByteArray();
            for (int c = 1; c <= 12; ++c)
                text += "\t0.5";
            text += "\t" + (r == odd && k == labels.size() - 1 ? QByteArray("other") : labels.at(k)) + "\n";
        }
    }
    return text;
}

// A project whose layout uses A1, A2, C3 and H12 and whose densities hold
// texts in A1 and H12 (used) and B1 (not used).
void prepare(Project& project)
{
    project.fillEmptyLayout();
    project.fillEmptyDensities();
    for (const auto& [col, row, name] : {std::tuple{1, 1, "K+"}, {2, 1, "1"}, {3, 3, "2"}, {12, 8, "3"}})
        project.plateLayout().setCell(col, row, QLatin1String(name));
    project.densityTable().setCell(1, 1, QStringLiteral("1,5"));
    project.densityTable().setCell(1, 2, QStringLiteral("0,7"));
    project.densityTable().setCell(12, 8, QStringLiteral("9,9"));
}

// Two groups of columns 1..12 side by side under a temperature column: 0.5
// in the first, 0.9 in the second.
QByteArray twoGroups()
{
    QByteArray text = "\tTemperature(°C)";
    for (int run = 0; run < 2; ++run) {
        text += run == 0 ? "" : "\t";
        for (int c = 1; c <= 12; ++c)
            text += "\t" + QByteArray::number(c);
    }
    for (int r = 1; r <= 8; ++r) {
        text += r == 1 ? "\n\t25.0" : "\n\t";
        for (const char* value : {"\t0.5", "\t0.9"}) {
            text += value == QByteArrayView("\t0.9") ? "\t" : "";
            for (int c = 1; c <= 12; ++c)
                text += value;
        }
    }
    return text + "\n";
}

// "A260:dr[Repeat 1|Repeat 2]; ...": each table's label, d for densities,
// r for a raw absorbance read, and its repeats.
QString describe(const ExportContents& contents)
{
    QStringList tables;
    for (const ExportTable& t : contents.tables) {
        QString text = t.label + QLatin1Char(':') + (t.densities ? QStringLiteral("d") : QString())
                       + (t.rawAbsorbance ? QStringLiteral("r") : QString());
        if (!t.repeats.isEmpty())
            text += QLatin1Char('[') + t.repeats.join(QLatin1Char('|')) + QLatin1Char(']');
        tables.append(text);
    }
    return tables.join(QStringLiteral("; "));
}

} // namespace

class TestReaderExport : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setDecimalSeparator(QLatin1Char(',')); }
    void cleanup() { setDecimalSeparator(std::nullopt); }

    void shapes_data();
    void shapes();
    void cells_data();
    void cells();
    void wellLines_data();
    void wellLines();
    void headers_data();
    void headers();
    void noPlate_data();
    void noPlate();
    void refused_data();
    void refused();
    void choices_data();
    void choices();
    void contents_data();
    void contents();
    void importIntoLayoutWells_data();
    void importIntoLayoutWells();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void importCases_data();
    void importCases();
    void nothingWrittenClearsNothing();
    void cli();
    void cliChoice_data();
    void cliChoice();
    void cliErrors_data();
    void cliErrors();
};

// Every fixture holds 0.RCC in well (row R, column CC) except its markers.
void TestReaderExport::shapes_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<bool>("wellList");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("d4");
    QTest::addColumn<QString>("e5");
    QTest::addColumn<QString>("h12");
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("absent");

    // clang-format off
    QTest::newRow("tab, UTF-8, metadata, label column after 12")
        << "tab-utf8.txt"          << 1 << 1 << false << "Read at 450 nm"
        << ""      << "0.404" << "0.505" << "0.812" << "A1=OVRFLW B2=Range? C3=" << "";
    QTest::newRow("semicolon, decimal comma, UTF-8 BOM")
        << "semicolon-bom.csv"     << 1 << 1 << false << "Протокол измерения"
        << "0.101" << "0.404" << "0.505" << ""      << "H12=?????" << "";
    QTest::newRow("comma, no label above the rows, a quoted cell")
        << "comma-noheadlabel.csv" << 1 << 1 << false << "Absorbance 450"
        << "0.101" << ""      << "0.505" << "0.812" << "D4=*" << "";
    QTest::newRow("UTF-16 LE with BOM")
        << "utf16le.txt"           << 1 << 1 << false << "Оптическая плотность"
        << "0.101" << "0.404" << "0.505" << "0.812" << "G7=Ошибка" << "";
    QTest::newRow("UTF-16 BE with BOM")
        << "utf16be.txt"           << 1 << 1 << false << "Оптическая плотность"
        << "0.101" << "0.404" << "0.505" << "0.812" << "G7=Ошибка" << "";
    QTest::newRow("Windows-1251, CR line ends")
        << "cp1251.csv"            << 1 << 1 << false << "Ридер Планшет №7"
        << "0.101" << "0.404" << ""      << "0.812" << "E5=Перегруз" << "";
    QTest::newRow("well list A1;0,123, H12 missing")
        << "list-semicolon.csv"    << 1 << 1 << true  << ""
        << "0.101" << "0.404" << "0.505" << ""      << "A2=?????" << "H12";
    QTest::newRow("well list with Well, Sample and OD columns")
        << "list-well-od.csv"      << 1 << 1 << true  << "OD450"
        << "0.101" << "0.404" << "0.505" << "0.812" << "C10=OVRFLW" << "";
    QTest::newRow("UTF-16 LE plate block without row letters, group lists after it")
        << "plate-block-utf16.txt" << 1 << 1 << false
        << "Plate: Plate1 Endpoint Absorbance Raw 450 96 wells in 8 row…"
        << "0.101" << "0.404" << "0.505" << "0.812" << "B2=Range? C3=" << "";
    QTest::newRow("results: the raw read of three labelled lines per row, after a layout")
        << "results-labelled.txt"  << 2 << 4 << false << "630nmAbsRead:630"
        << ""      << "0.404" << "0.505" << "0.812" << "A1=OVRFLW" << "";
    QTest::newRow("results: absorbance and whole-count fluorescence lines")
        << "results-two-modes.txt" << 1 << 2 << false << "od:600"
        << "0.101" << "0.404" << "0.505" << "0.812" << "" << "";
    // clang-format on
    // clang-format on
}

void TestReaderExport::shapes()
{
    QFETCH(QString, file);
    QFETCH(int, block);
    QFETCH(int, blocks);
    QFETCH(bool, wellList);
    QFETCH(QString, label);
    QFETCH(QString, a1);
    QFETCH(QString, d4);
    QFETCH(QString, e5);
    QFETCH(QString, h12);
    QFETCH(QString, marked);
    QFETCH(QString, absent);

    const ReaderExport plate = parseReaderExport(fixture(file), file);
    QCOMPARE(plate.block, block);
    QCOMPARE(plate.blocks, blocks);
    QCOMPARE(plate.wellList, wellList);
    QCOMPARE(plate.label, label);
    QCOMPARE(density(plate, 1, 1), a1);
    QCOMPARE(density(plate, 4, 4), d4);
    QCOMPARE(density(plate, 5, 5), e5);
    QCOMPARE(density(plate, 12, 8), h12);
    QCOMPARE(density(plate, 11, 2), QStringLiteral("0.211")); // a row or column shift shows here
    QCOMPARE(::marked(plate), marked);
    QCOMPARE(plate.absentWells.join(QLatin1Char(' ')), absent);
    QCOMPARE(plate.repeat, 0);
}

void TestReaderExport::cells_data()
{
    // clang-format off
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("density");
    QTest::addColumn<QString>("marked");

    QTest::newRow("sign and comma") << "+0,5" << "0.5" << "";
    QTest::newRow("negative") << "-0.003" << "-0.003" << "";
    QTest::newRow("exponent") << "1,5E-1" << "1.5E-1" << "";
    QTest::newRow("one digit is no 0") << "3" << "3.0" << "";
    QTest::newRow("beyond a double") << "1e999" << "" << "A1=1e999";
    QTest::newRow("over range") << ">3.5" << "" << "A1=>3.5";
    QTest::newRow("two marks") << "0,1.2" << "" << "A1=0,1.2";
    // clang-format on
}

// One cell in A1 of a tab-separated grid, 0,1 in A2, 0 elsewhere.
void TestReaderExport::cells()
{
    QFETCH(QString, cell);
    QFETCH(QString, density);
    QFETCH(QString, marked);

    QByteArray bytes =
        "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t" + cell.toUtf8() + "\t0,1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0";
    for (const char* row : {"B", "C", "D", "E", "F", "G", "H"})
        bytes += QByteArray("\n") + row + "\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0";
    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"));
    QCOMPARE(::density(plate, 1, 1), density);
    QCOMPARE(::density(plate, 2, 1), QStringLiteral("0.1"));
    QCOMPARE(::marked(plate), marked);
}

void TestReaderExport::wellLines_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("a1");

    QTest::newRow("comma, decimal comma") << QByteArray("A1,0,123\n") << "0.123";
    QTest::newRow("semicolon, decimal comma") << QByteArray("A1;0,123\n") << "0.123";
    QTest::newRow("tab, lower case, leading zero") << QByteArray("a01\t0.123\n") << "0.123";
    QTest::newRow("OD column before another") << QByteArray("Well;OD;Sample\nA1;0,5;12\n") << "0.5";
    QTest::newRow("Plate Position, A450 after a sample") << QByteArray("Plate Position;Sample;A450\nA01;S1;0,5\n") << "0.5";
    QTest::newRow("Well Position, OD450") << QByteArray("Well Position\tOD450\nA1\t0.5\n") << "0.5";
    QTest::newRow("Wells, Absorbance @ 450 (A)") << QByteArray("Wells,Absorbance @ 450 (A)\nA1,0.5\n") << "0.5";
    QTest::newRow("Raw Data (450) after a text with digits")
        << QByteArray("Well;Content;Raw Data (450)\nA1;Sample X1;0,5\n") << "0.5";
    QTest::newRow("A260 before notes") << QByteArray("\"Well\",\"A260\",\"Notes\"\n\"A1\",\"0,5\",\"ok\"\n") << "0.5";
    QTest::newRow("Лунка, ОП") << QByteArray("Лунка;ОП\nA1;0,5\n") << "0.5";
    // clang-format on
}

void TestReaderExport::wellLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, a1);
    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"));
    QVERIFY(plate.wellList);
    QCOMPARE(::density(plate, 1, 1), a1);
    QCOMPARE(plate.markedWells.size(), 0);
    QCOMPARE(plate.absentWells.size(), 95);
}

// Headers and rows of grids: zero-padded numbers, and the rows without
// letters under a temperature column, whose first row may be all empty.
void TestReaderExport::headers_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("a1b1h12");
    QTest::addColumn<QString>("marked");

    QByteArray padded = "Absorbance\n\t01\t02\t03\t04\t05\t06\t07\t08\t09\t10\t11\t12\n";
    QByteArray tail = grid(8, 12);
    tail.replace("A\t0.5\t0.5", "A\t0.1\t0.5");
    padded += tail.mid(tail.indexOf('\n') + 1);
    QTest::newRow("header 01..12") << padded << "0.1 0.5 0.5" << "";

    const QByteArray header = "\tTemperature(°C)\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\n";
    QByteArray row = "\t\t0.2";
    for (int c = 2; c <= 12; ++c)
        row += "\t0.5";
    row += "\n";
    QTest::newRow("temperature column, row A all empty") << header + QByteArray(13, '\t') + "\n" + row.repeated(7)
        << " 0.2 0.5" << "A1= A2= A3= A4= A5= A6= A7= A8= A9= A10= A11= A12=";
    QTest::newRow("temperature column, a line of tabs after H")
        << header + row.repeated(8) + QByteArray(13, '\t') + "\nEnd\n" << "0.2 0.2 0.5" << "";
    // clang-format on
}

void TestReaderExport::headers()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, a1b1h12);
    QFETCH(QString, marked);
    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"));
    QCOMPARE((QStringList{density(plate, 1, 1), density(plate, 1, 2), density(plate, 12, 8)}).join(QLatin1Char(' ')),
             a1b1h12);
    QCOMPARE(::marked(plate), marked);
}

void TestReaderExport::noPlate_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("error");

    const QString none = QStringLiteral("В файле «x.txt» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                                        "со строками A..H, ни строк лунок вида «A1;0,123»");
    QTest::newRow("empty file") << QByteArray() << none;
    QTest::newRow("short header, rows without one") << fixture(QStringLiteral("no-table.txt")) << none;
    QTest::newRow("header, rows stop at G")
        << QByteArray("\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t0.1\nB\t0.2\nC\nD\nE\nF\nG\n") << none;
    QTest::newRow("header, rows out of order")
        << QByteArray("\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t0.1\nC\nB\nD\nE\nF\nG\nH\n") << none;
    QTest::newRow("only a table of names") << fixture(QStringLiteral("names-only.txt"))
        << QStringLiteral("В файле «x.txt» таблиц 8 × 12: 1, но ни в одной нет оптических плотностей");
    QTest::newRow("a luminescence file without a table")
        << QByteArray("Measurement: Luminescence\nWell A1 counts 1234\n")
        << QStringLiteral("Файл «x.txt» — люминесценция (строка 1: «Measurement: Luminescence»), а импортируются "
                          "только оптические плотности (измерение поглощения)");
    QTest::newRow("a table of integer codes")
        << QByteArray("\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t1\nB\t2\nC\t3\nD\nE\nF\nG\nH\t8\n")
        << QStringLiteral("В файле «x.txt» таблиц 8 × 12: 1, но ни в одной нет оптических плотностей");
    // clang-format on
}

void TestReaderExport::noPlate()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, error);
    try {
        parseReaderExport(bytes, QStringLiteral("x.txt"));
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), error);
    }
}

// A plate of another size, several values or reads without a choice, a
// choice the file does not offer: refused, never read as a guess.
void TestReaderExport::refused_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QString>("error");

    const auto size = [](const QString& where, const QString& plate) {
        return QStringLiteral("В файле «x.txt» %1 планшета %2, а импортируется только планшет 8 × 12 (96 лунок): "
                              "файл не прочитан").arg(where, plate);
    };
    QTest::newRow("384 wells: header 1..24, rows A..P") << fixture(QStringLiteral("plate384.txt")) << 0 << 0
        << size(QStringLiteral("в строке 2 таблица"), QStringLiteral("16 × 24 (384 лунки)"));
    QTest::newRow("header past 12, rows A..H") << QByteArray("Read 1\n") + grid(8, 13) << 0 << 0
        << size(QStringLiteral("в строке 2 таблица"), QStringLiteral("8 × 13 (104 лунки)"));
    QTest::newRow("header 1..12, rows past H") << grid(16, 12) << 0 << 0
        << size(QStringLiteral("в строке 1 таблица"), QStringLiteral("16 × 12 (192 лунки)"));
    QTest::newRow("1536 wells, rows A..AF") << grid(32, 48) << 0 << 0
        << size(QStringLiteral("в строке 1 таблица"), QStringLiteral("32 × 48 (1536 лунок)"));
    QTest::newRow("384 wells without row letters") << grid(16, 24, false) << 0 << 0
        << size(QStringLiteral("в строке 1 таблица"), QStringLiteral("16 × 24 (384 лунки)"));
    QByteArray split384 = "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\t13\t14\t15\t16\t17\t18\t19\t20\t21\t22\t23"
                          "\t24\nA";
    for (int c = 1; c <= 24; ++c)
        split384 += "\t0.5";
    QTest::newRow("384 wells whose rows break off after A") << split384 + "\n\t0.6\nEnd\n" << 0 << 0
        << size(QStringLiteral("в строке 1 таблица"), QStringLiteral("16 × 24 (384 лунки)"));
    QTest::newRow("a list past H12") << QByteArray("A1;0,1\nB2;0,2\nP24;0,3\n") << 0 << 0
        << size(QStringLiteral("лунка P24 из списка"), QStringLiteral("16 × 24 (384 лунки)"));
    QTest::newRow("a list of 1536 wells") << QByteArray("Well,OD\nA1,0.1\nAF48,0.2\n") << 0 << 0
        << size(QStringLiteral("лунка AF48 из списка"), QStringLiteral("32 × 48 (1536 лунок)"));
    QByteArray wide = "Time";
    for (int c = 1; c <= 24; ++c)
        wide += ";A" + QByteArray::number(c);
    QTest::newRow("wells as columns past A12") << wide + "\n0:00;0,1\n" << 0 << 0
        << size(QStringLiteral("лунка A13 из списка"), QStringLiteral("16 × 24 (384 лунки)"));

    QTest::newRow("a well listed twice") << QByteArray("A1,0.4\nA1,0.9\n") << 0 << 0
        << QStringLiteral("В файле «x.txt» у лунок по нескольку значений, повторов 2: 1 «повтор 1», 2 «повтор 2»; "
                          "какой взять, не выбрано");
    QTest::newRow("a kinetic list with a Repeat column") << fixture(QStringLiteral("list-repeats.csv")) << 0 << 0
        << QStringLiteral("В файле «x.txt» у лунок по нескольку значений, повторов 3: 1 «Repeat 1», 2 «Repeat 2», "
                          "3 «Repeat 3»; какой взять, не выбрано");
    QTest::newRow("wells as columns, a line per read") << fixture(QStringLiteral("wells-as-columns.txt")) << 0 << 0
        << QStringLiteral("В файле «x.txt» у лунок по нескольку значений, повторов 3: 1 «Time 0:00:00, T° 450 25,1», "
                          "2 «Time 0:00:30, T° 450 25,2», 3 «Time 0:01:00, T° 450 25,3»; какой взять, не выбрано");
    QTest::newRow("results with two raw reads") << fixture(QStringLiteral("results-two-reads.txt")) << 0 << 0
        << QStringLiteral("В файле «x.txt» несколько таблиц оптических плотностей: 1 «450nmAbsRead:450», "
                          "2 «630nmAbsRead:630»; какую взять, не выбрано");
    QTest::newRow("a list with two density columns") << fixture(QStringLiteral("list-two-columns.txt")) << 0 << 0
        << QStringLiteral("В файле «x.txt» несколько таблиц оптических плотностей: 1 «A260», 2 «A280»; "
                          "какую взять, не выбрано");
    QTest::newRow("two tables without labels") << grid(8, 12) + "\n" + grid(8, 12) << 0 << 0
        << QStringLiteral("В файле «x.txt» несколько таблиц оптических плотностей: 1 (без подписи), "
                          "2 (без подписи); какую взять, не выбрано");
    QTest::newRow("tables of a kinetic run") << "Cycle 1\n" + grid(8, 12) + "\nCycle 2\n" + grid(8, 12) << 0 << 0
        << QStringLiteral("В файле «x.txt» несколько таблиц оптических плотностей: 1 «Cycle 1», 2 «Cycle 2»; "
                          "какую взять, не выбрано");
    QTest::newRow("two groups of columns side by side") << twoGroups() << 0 << 0
        << QStringLiteral("В файле «x.txt» несколько таблиц оптических плотностей: 1 «столбцы 1..12 № 1», "
                          "2 «столбцы 1..12 № 2»; какую взять, не выбрано");
    QTest::newRow("results rows labelled differently")
        << QByteArray("Results\n") + results({"od:450", "Blank od:450"}, 3) << 0 << 0
        << QStringLiteral("В файле «x.txt» строки таблицы под заголовком в строке 2 подписаны по-разному: "
                          "у A «od:450», «Blank od:450», у C «od:450», «other»; какие числа к какому чтению "
                          "относятся, не ясно");
    QTest::newRow("a read twice in every row") << results({"od:450", "od:450"}) << 1 << 0
        << QStringLiteral("В файле «x.txt» в таблице под заголовком в строке 1 чтение «od:450» повторяется в каждой "
                          "строке: у лунки несколько чисел одного чтения");
    QTest::newRow("group lists without a plate")
        << QByteArray("Sample\tWells\tValues\nS1\tA1\t0.5\n\tA2\t0.6\n") << 0 << 0
        << QStringLiteral("В файле «x.txt» список лунок (столбец «Wells») без столбца оптических плотностей "
                          "(OD, Abs, A450, Absorbance, Raw Data)");

    QTest::newRow("a concentration chosen") << fixture(QStringLiteral("results-labelled.txt")) << 4 << 0
        << QStringLiteral("Таблица 4 «[Concentration]» файла «x.txt» — концентрации, не оптические плотности; они в "
                          "таблицах 2 «630nmAbsRead:630»");
    QTest::newRow("a blank-corrected read chosen beside the raw one") << fixture(QStringLiteral("results-labelled.txt"))
        << 3 << 0
        << QStringLiteral("Таблица 3 «Blank 630nmAbsRead:630» файла «x.txt» — значения за вычетом бланка или "
                          "референса, не оптические плотности; они в таблицах 2 «630nmAbsRead:630»");

    const QByteArray several = fixture(QStringLiteral("several-blocks.txt"));
    QTest::newRow("a table past the file's") << several << 4 << 0
        << QStringLiteral("В файле «x.txt» таблиц: 3, таблицы 4 нет; оптические плотности в таблицах 2 «450 nm», "
                          "3 «620 nm»");
    QTest::newRow("a table of names chosen") << several << 1 << 0
        << QStringLiteral("Таблица 1 «Layout» файла «x.txt» — не оптические плотности; они в таблицах 2 «450 nm», "
                          "3 «620 nm»");
    QTest::newRow("a repeat where each well has one value") << fixture(QStringLiteral("tab-utf8.txt")) << 0 << 2
        << QStringLiteral("В файле «x.txt» у каждой лунки одно значение: повтора 2 нет");
    QTest::newRow("a repeat past the file's") << fixture(QStringLiteral("list-repeats.csv")) << 0 << 4
        << QStringLiteral("В файле «x.txt» повторов 3, повтора 4 нет");
    // clang-format on
}

void TestReaderExport::refused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, table);
    QFETCH(int, repeat);
    QFETCH(QString, error);
    try {
        parseReaderExport(bytes, QStringLiteral("x.txt"), {table, repeat});
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), error);
    }
}

// The table and repeat chosen are read; the fixtures hold N.RCC in repeat or
// read N + 1.
void TestReaderExport::choices_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<int>("block");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("repeatLabel");
    QTest::addColumn<QString>("a1d4h12");
    QTest::addColumn<QString>("marked");
    QTest::addColumn<QString>("absent");

    // clang-format off
    QTest::newRow("results, the second raw read")
        << fixture(QStringLiteral("results-two-reads.txt")) << 2 << 0 << 2 << "630nmAbsRead:630" << ""
        << "1.101 1.404 1.812" << "" << "";
    QTest::newRow("a list's second density column")
        << fixture(QStringLiteral("list-two-columns.txt")) << 2 << 0 << 2 << "A280" << ""
        << "1.101  1.812" << "" << "D4";
    QTest::newRow("a kinetic list's repeat 2")
        << fixture(QStringLiteral("list-repeats.csv")) << 0 << 2 << 1 << "OD450" << "Repeat 2"
        << " 1.404 1.812" << "A1=OVRFLW" << "";
    QTest::newRow("a kinetic list's repeat 3, its one table named")
        << fixture(QStringLiteral("list-repeats.csv")) << 1 << 3 << 1 << "OD450" << "Repeat 3"
        << "2.101 2.404 2.812" << "" << "";
    QTest::newRow("wells as columns, the third read")
        << fixture(QStringLiteral("wells-as-columns.txt")) << 0 << 3 << 1 << "" << "Time 0:01:00, T° 450 25,3"
        << "2.101 2.404 2.812" << "" << "";
    QTest::newRow("the first table of densities")
        << fixture(QStringLiteral("several-blocks.txt")) << 2 << 0 << 2 << "450 nm" << ""
        << "0.101 0.404 0.812" << "F6=OVRFLW" << "";
    QTest::newRow("the last of several tables")
        << fixture(QStringLiteral("several-blocks.txt")) << 3 << 0 << 3 << "620 nm" << ""
        << "0.999 0.404 0.812" << "" << "";
    QTest::newRow("the second group of columns")
        << twoGroups() << 2 << 0 << 2 << "столбцы 1..12 № 2" << ""
        << "0.9 0.9 0.9" << "" << "";
    // clang-format on
    // clang-format on
}

void TestReaderExport::choices()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, table);
    QFETCH(int, repeat);
    QFETCH(int, block);
    QFETCH(QString, label);
    QFETCH(QString, repeatLabel);
    QFETCH(QString, a1d4h12);
    QFETCH(QString, marked);
    QFETCH(QString, absent);

    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"), {table, repeat});
    QCOMPARE(plate.block, block);
    QCOMPARE(plate.label, label);
    QCOMPARE(plate.repeatLabel, repeatLabel);
    QCOMPARE(plate.taken, table > 0 ? TableTaken::Chosen : TableTaken::Only);
    QCOMPARE((QStringList{density(plate, 1, 1), density(plate, 4, 4), density(plate, 12, 8)}).join(QLatin1Char(' ')),
             a1d4h12);
    QCOMPARE(::marked(plate), marked);
    QCOMPARE(plate.absentWells.join(QLatin1Char(' ')), absent);
}

// What a window offers: every table with its label, which hold densities and
// which are raw absorbance reads, the repeats, and the default.
void TestReaderExport::contents_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("tables");
    QTest::addColumn<int>("defaultTable");

    QTest::newRow("a layout and three reads") << fixture(QStringLiteral("results-labelled.txt"))
        << "Layout:; 630nmAbsRead:630:dr; Blank 630nmAbsRead:630:; [Concentration]:" << 2;
    QTest::newRow("absorbance and fluorescence") << fixture(QStringLiteral("results-two-modes.txt"))
        << "od:600:dr; fluor:579,616:" << 1;
    QTest::newRow("the raw read under a corrected one") << results({"Blank od:450", "od:450", "[Concentration]"})
        << "Blank od:450:; od:450:dr; [Concentration]:" << 2;
    QTest::newRow("two raw reads: no default") << fixture(QStringLiteral("results-two-reads.txt"))
        << "450nmAbsRead:450:dr; 630nmAbsRead:630:dr; Blank 450nmAbsRead:450:" << 0;
    QTest::newRow("tables under headers of their own, two raw reads: no default")
        << fixture(QStringLiteral("several-blocks.txt")) << "Layout:; 450 nm:dr; 620 nm:dr" << 0;
    QTest::newRow("tables under headers of their own, the raw one after a corrected one")
        << "Blank 450\n" + grid(8, 12) + "\n450 nm\n" + grid(8, 12) << "Blank 450:; 450 nm:dr" << 2;
    QTest::newRow("two density columns: no default") << fixture(QStringLiteral("list-two-columns.txt"))
        << "A260:dr; A280:dr" << 0;
    QTest::newRow("a wavelength and a ratio of two under each row") << results({"260", "260:280"})
        << "260:d; 260:280:" << 1;
    QTest::newRow("a workbook's sheets") << fixture(QStringLiteral("workbook-sheets.xlsx"))
        << "Raw Data, Absorbance 450 nm:dr; Calculated results:; Conc:" << 1;
    QTest::newRow("repeats") << fixture(QStringLiteral("list-repeats.csv")) << "OD450:dr[Repeat 1|Repeat 2|Repeat 3]" << 1;
    // clang-format on
}

void TestReaderExport::contents()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, tables);
    QFETCH(int, defaultTable);
    const ExportContents contents = readerExportContents(bytes, QStringLiteral("x.txt"));
    QCOMPARE(describe(contents), tables);
    QCOMPARE(contents.defaultTable, defaultTable);
}

void TestReaderExport::importIntoLayoutWells_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QStringList>("a1a2c3h12b1");
    QTest::addColumn<QString>("message");

    const QString tab = fixturePath(QStringLiteral("tab-utf8.txt"));
    QTest::newRow("markers empty their wells")
        << tab << 0 << 0 << QStringList{"", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 2.\n"
                          "Без числа в файле, оставлены пустыми (2): A1 «OVRFLW», C3.").arg(tab);
    const QString list = fixturePath(QStringLiteral("list-semicolon.csv"));
    QTest::newRow("a well the list omits is counted apart")
        << list << 0 << 0 << QStringList{"0,101", "", "0,303", "", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 2.\n"
                          "Без числа в файле, оставлены пустыми (1): A2 «?????».\n"
                          "Нет в файле, оставлены пустыми (1): H12.").arg(list);
    const QString labelled = fixturePath(QStringLiteral("results-labelled.txt"));
    QTest::newRow("the only raw read of several")
        << labelled << 0 << 0 << QStringList{"", "0,102", "0,303", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята таблица 2 из 4 «630nmAbsRead:630»: единственное в файле необработанное "
                          "измерение поглощения.\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): A1 «OVRFLW».").arg(labelled);
    const QString twoReads = fixturePath(QStringLiteral("results-two-reads.txt"));
    QTest::newRow("a chosen read")
        << twoReads << 2 << 0 << QStringList{"1,101", "1,102", "1,303", "1,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята выбранная таблица 2 из 3 «630nmAbsRead:630».\n"
                          "Записаны плотности лунок раскладки: 4.").arg(twoReads);
    const QString repeats = fixturePath(QStringLiteral("list-repeats.csv"));
    QTest::newRow("a chosen repeat")
        << repeats << 0 << 2 << QStringList{"", "1,102", "1,303", "1,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взят повтор 2 из 3 «Repeat 2».\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): A1 «OVRFLW».").arg(repeats);
    const QString block = fixturePath(QStringLiteral("plate-block-utf16.txt"));
    QTest::newRow("a plate block, not its group lists")
        << block << 0 << 0 << QStringList{"0,101", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): C3.").arg(block);
    // clang-format on
}

// As the acquisition: the layout's wells take the file's numbers with the
// separator the grid shows, or are emptied; the other wells keep their texts.
void TestReaderExport::importIntoLayoutWells()
{
    QFETCH(QString, file);
    QFETCH(int, table);
    QFETCH(int, repeat);
    QFETCH(QStringList, a1a2c3h12b1);
    QFETCH(QString, message);

    Project project;
    prepare(project);
    QCOMPARE(importDensities(project, file, {table, repeat}), message);
    const TextGrid& d = project.densityTable();
    QCOMPARE((QStringList{d.cell(1, 1), d.cell(2, 1), d.cell(3, 3), d.cell(12, 8), d.cell(1, 2)}), a1a2c3h12b1);
    QCOMPARE(d.cell(2, 2), QString()); // B2 "Range?" lies outside the layout
    QCOMPARE(d.cell(0, 1), QStringLiteral("A"));
}

void TestReaderExport::refusalsChangeNothing_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<QString>("error");

    QTest::newRow("plate being read") << fixturePath(QStringLiteral("tab-utf8.txt")) << true
                                      << Project::PlateLockedMessage;
    const QString noTable = fixturePath(QStringLiteral("no-table.txt"));
    QTest::newRow("no plate in the file")
        << noTable << false
        << QStringLiteral("В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                          "со строками A..H, ни строк лунок вида «A1;0,123»").arg(noTable);
    QTest::newRow("missing file") << QStringLiteral("/nonexistent/plate.txt") << false
                                  << QStringLiteral("File not found");
    const QString plate384 = fixturePath(QStringLiteral("plate384.txt"));
    QTest::newRow("a plate of 384 wells")
        << plate384 << false
        << QStringLiteral("В файле «%1» в строке 2 таблица планшета 16 × 24 (384 лунки), а импортируется только "
                          "планшет 8 × 12 (96 лунок): файл не прочитан").arg(plate384);
    const QString several = fixturePath(QStringLiteral("several-blocks.txt"));
    QTest::newRow("tables under headers of their own and none chosen")
        << several << false
        << QStringLiteral("В файле «%1» несколько таблиц оптических плотностей: 2 «450 nm», 3 «620 nm»; "
                          "какую взять, не выбрано").arg(several);
    const QString repeats = fixturePath(QStringLiteral("list-repeats.csv"));
    QTest::newRow("repeats and none chosen")
        << repeats << false
        << QStringLiteral("В файле «%1» у лунок по нескольку значений, повторов 3: 1 «Repeat 1», 2 «Repeat 2», "
                          "3 «Repeat 3»; какой взять, не выбрано").arg(repeats);
    // clang-format on
}

void TestReaderExport::refusalsChangeNothing()
{
    QFETCH(QString, file);
    QFETCH(bool, locked);
    QFETCH(QString, error);

    Project project;
    prepare(project);
    project.setPlateLocked(locked);
    const QStringList before = project.densityTable().columnMajorTexts();
    try {
        importDensities(project, file);
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), error);
    }
    QCOMPARE(project.densityTable().columnMajorTexts(), before);
}

// Only an absorbance read becomes densities: what the file says a table is
// decides, a corrected one only by choice and where no raw read is. Every
// plate and read is offered by the file's own names; the grid is the plate.
// A refusal changes nothing.
void TestReaderExport::importCases_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("table");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QStringList>("a1a2c3h12b1");
    QTest::addColumn<QString>("message"); // or the error

    const QStringList unchanged{"1,5", "", "", "9,9", "0,7"};
    const QString notAbsorbance = QStringLiteral("В файле «%1» нет оптических плотностей: %2. Импортируется только "
        "измерение поглощения (оптическая плотность); экспортируйте из программы ридера его необработанные значения");
    const QString fluorescence = fixturePath(QStringLiteral("fluorescence-raw.csv"));
    QTest::newRow("fluorescence counts under a filter pair") << fluorescence << 0 << 0 << unchanged
        << notAbsorbance.arg(fluorescence, QStringLiteral("1 «Raw Data (535-15/587-20)» — флуоресценция"));
    QTest::newRow("fluorescence counts, chosen") << fluorescence << 1 << 0 << unchanged
        << notAbsorbance.arg(fluorescence, QStringLiteral("1 «Raw Data (535-15/587-20)» — флуоресценция"));
    const QString calculated = fixturePath(QStringLiteral("calculated-only.txt"));
    QTest::newRow("a calculated table only") << calculated << 0 << 0 << unchanged
        << notAbsorbance.arg(calculated, QStringLiteral("1 «Calculated results» — расчётные значения"));
    const QString reduced = fixturePath(QStringLiteral("reduced-only.txt"));
    QTest::newRow("reduced values only, not chosen") << reduced << 0 << 0 << unchanged
        << QStringLiteral("В файле «%1» нет необработанного измерения поглощения, только 1 «Reduced (450-650)» "
                          "(значения за вычетом бланка или референса); она берётся лишь по явному выбору").arg(reduced);
    QTest::newRow("reduced values only, chosen") << reduced << 1 << 0
        << QStringList{"0,101", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята выбранная таблица 1 из 1 «Reduced (450-650)» — значения за вычетом бланка или "
                          "референса.\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): C3 «Range?».").arg(reduced);
    const QString conc = fixturePath(QStringLiteral("raw-and-conc.txt"));
    QTest::newRow("a raw read beside its concentrations") << conc << 0 << 0
        << QStringList{"0,101", "0,102", "0,303", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята таблица 1 из 2 «Raw»: остальные таблицы файла — не оптические плотности.\n"
                          "Записаны плотности лунок раскладки: 4.").arg(conc);
    QTest::newRow("the concentrations chosen") << conc << 2 << 0 << unchanged
        << QStringLiteral("Таблица 2 «Conc» файла «%1» — концентрации, не оптические плотности; они в таблицах "
                          "1 «Raw»").arg(conc);
    const QString kinetic = fixturePath(QStringLiteral("kinetic-foreign-lines.csv"));
    QTest::newRow("kinetic cycles, not the lines after them") << kinetic << 0 << 0 << unchanged
        << QStringLiteral("В файле «%1» у лунок по нескольку значений, повторов 3: 1 «Time 0:00:00, T° 450 25,1», "
                          "2 «Time 0:00:30, T° 450 25,2», 3 «Time 0:01:00, T° 450 25,3»; какой взять, не выбрано")
                          .arg(kinetic);
    QTest::newRow("the last kinetic cycle") << kinetic << 0 << 3
        << QStringList{"2,101", "2,102", "2,303", "2,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взят повтор 3 из 3 «Time 0:01:00, T° 450 25,3».\n"
                          "Записаны плотности лунок раскладки: 4.").arg(kinetic);
    QTest::newRow("no repeat past the cycles") << kinetic << 0 << 4 << unchanged
        << QStringLiteral("В файле «%1» повторов 3, повтора 4 нет").arg(kinetic);
    const QString plates = fixturePath(QStringLiteral("two-plates.txt"));
    QTest::newRow("two plates at one wavelength, named by their plates") << plates << 0 << 0 << unchanged
        << QStringLiteral("В файле «%1» несколько таблиц оптических плотностей: 1 «Plate name: Plate01, Measurement: "
                          "Absorbance 450 nm», 2 «Plate name: Plate02, Measurement: Absorbance 450 nm»; какую взять, "
                          "не выбрано").arg(plates);
    QTest::newRow("the second plate") << plates << 2 << 0
        << QStringList{"1,101", "1,102", "1,303", "1,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята выбранная таблица 2 из 2 «Plate name: Plate02, Measurement: Absorbance 450 nm».\n"
                          "Записаны плотности лунок раскладки: 4.").arg(plates);
    const QString wavelengths = fixturePath(QStringLiteral("three-wavelengths.txt"));
    QTest::newRow("three wavelengths under each row") << wavelengths << 0 << 0 << unchanged
        << QStringLiteral("В файле «%1» несколько таблиц оптических плотностей: 1 «260», 2 «280», 3 «340»; какую "
                          "взять, не выбрано").arg(wavelengths);
    QTest::newRow("the third wavelength") << wavelengths << 3 << 0
        << QStringList{"2,101", "2,102", "2,303", "2,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята выбранная таблица 3 из 3 «340».\n"
                          "Записаны плотности лунок раскладки: 4.").arg(wavelengths);
    const QString nan = fixturePath(QStringLiteral("nan-temperature.txt"));
    QTest::newRow("a plate block whose temperature is NaN, not its group lists") << nan << 0 << 0
        << QStringList{"0,101", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): C3 «Masked».").arg(nan);
    const QString headless = fixturePath(QStringLiteral("no-header-rows.txt"));
    QTest::newRow("rows A..H without a header 1..12") << headless << 0 << 0
        << QStringList{"0,101", "0,102", "0,303", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 4.").arg(headless);
    const QString book = fixturePath(QStringLiteral("workbook-sheets.xlsx"));
    QTest::newRow("a workbook: the raw sheet, not the calculated ones") << book << 0 << 0
        << QStringList{"0,101", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята таблица 1 из 3 «Raw Data, Absorbance 450 nm»: единственное в файле необработанное "
                          "измерение поглощения.\n"
                          "Записаны плотности лунок раскладки: 3.\n"
                          "Без числа в файле, оставлены пустыми (1): C3 «Masked».").arg(book);
    QTest::newRow("a workbook's calculated sheet chosen") << book << 2 << 0 << unchanged
        << QStringLiteral("Таблица 2 «Calculated results» файла «%1» — расчётные значения, не оптические плотности; "
                          "они в таблицах 1 «Raw Data, Absorbance 450 nm»").arg(book);
    const QString book384 = fixturePath(QStringLiteral("workbook-384.xlsx"));
    QTest::newRow("a workbook of 384 wells") << book384 << 0 << 0 << unchanged
        << QStringLiteral("В файле «%1», лист «Plate 1» в строке 1 таблица планшета 16 × 24 (384 лунки), а "
                          "импортируется только планшет 8 × 12 (96 лунок): файл не прочитан").arg(book384);
    const QString damaged = fixturePath(QStringLiteral("workbook.xlsx"));
    QTest::newRow("a workbook cut short") << damaged << 0 << 0 << unchanged
        << QStringLiteral("Файл «%1» — книга Excel (.xlsx), но прочитать её не удалось: архив повреждён или "
                          "неполон").arg(damaged);
    const QString xls = fixturePath(QStringLiteral("workbook.xls"));
    QTest::newRow("an .xls workbook") << xls << 0 << 0 << unchanged
        << QStringLiteral("Файл «%1» — книга Excel в формате .xls; сохраните лист с оптическими плотностями как "
                          "текст (CSV, TXT)").arg(xls);
    // clang-format on
}

void TestReaderExport::importCases()
{
    QFETCH(QString, file);
    QFETCH(int, table);
    QFETCH(int, repeat);
    QFETCH(QStringList, a1a2c3h12b1);
    QFETCH(QString, message);

    Project project;
    prepare(project);
    try {
        QCOMPARE(importDensities(project, file, {table, repeat}), message);
    } catch (const Error& e) {
        QCOMPARE(e.message(), message);
    }
    const TextGrid& d = project.densityTable();
    QCOMPARE((QStringList{d.cell(1, 1), d.cell(2, 1), d.cell(3, 3), d.cell(12, 8), d.cell(1, 2)}), a1a2c3h12b1);
}

// A read that holds numbers only outside the layout would only erase the
// layout's densities: refused, the plate as it was.
void TestReaderExport::nothingWrittenClearsNothing()
{
    QByteArray bytes = "450 nm\n\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\n";
    for (const char* row : {"A", "B", "C", "D", "E", "F", "G", "H"}) {
        bytes += row;
        for (int c = 1; c <= 12; ++c)
            bytes += QByteArray(row) == "B" && c == 5 ? "\t0.5" : "\tOVRFLW";
        bytes += "\n";
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plate.txt"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();

    Project project;
    prepare(project);
    const QStringList before = project.densityTable().columnMajorTexts();
    try {
        importDensities(project, path);
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("В файле «%1» в таблице «450 nm» нет ни одного числа для лунок раскладки: "
                                             "плотности не записаны, данные планшета не изменены")
                                  .arg(path));
    }
    QCOMPARE(project.densityTable().columnMajorTexts(), before);
}

void TestReaderExport::cli()
{
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.plq"));
    const QString file = fixturePath(QStringLiteral("tab-utf8.txt"));
    const test::CliRun run = test::runCli({QStringLiteral("import"), QStringLiteral(PLEQ_FIXTURES "/three-samples.plq"),
                                           file, QStringLiteral("-o"), out});
    QCOMPARE(run.status, 0);
    QCOMPARE(run.out, QByteArray());
    QCOMPARE(run.err, QStringLiteral("Импорт из файла «%1».\n"
                                     "Записаны плотности лунок раскладки: 12.\n"
                                     "Без числа в файле, оставлены пустыми (2): A1 «OVRFLW», B2 «Range?».\n")
                          .arg(file));

    // The fixture's layout uses A1..A7 and B1..B7; the test runs in the C locale.
    Project project;
    openProject(project, out);
    const TextGrid& d = project.densityTable();
    QCOMPARE(
        (QStringList{d.cell(1, 1), d.cell(2, 1), d.cell(7, 1), d.cell(2, 2), d.cell(7, 2), d.cell(8, 1), d.cell(1, 3)}),
        (QStringList{"", "0.102", "0.107", "", "0.207", "", ""}));
}

void TestReaderExport::cliChoice_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QStringList>("a1b7");

    const QString project = QStringLiteral(PLEQ_FIXTURES "/three-samples.plq");
    const QString twoReads = fixturePath(QStringLiteral("results-two-reads.txt"));
    QTest::newRow("--table") << QStringList{"import", project, twoReads, "--table", "2", "-o", "OUT"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята выбранная таблица 2 из 3 «630nmAbsRead:630».\n"
                          "Записаны плотности лунок раскладки: 14.\n").arg(twoReads)
        << QStringList{"1.101", "1.207"};
    const QString repeats = fixturePath(QStringLiteral("list-repeats.csv"));
    QTest::newRow("--repeat before the files") << QStringList{"import", "--repeat", "3", project, repeats, "-o", "OUT"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взят повтор 3 из 3 «Repeat 3».\n"
                          "Записаны плотности лунок раскладки: 14.\n").arg(repeats)
        << QStringList{"2.101", "2.207"};
    // clang-format on
}

void TestReaderExport::cliChoice()
{
    QFETCH(QStringList, args);
    QFETCH(QString, err);
    QFETCH(QStringList, a1b7);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.plq"));
    args.replaceInStrings(QStringLiteral("OUT"), out);
    const test::CliRun run = test::runCli(args);
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, err);
    Project project;
    openProject(project, out);
    QCOMPARE((QStringList{project.densityTable().cell(1, 1), project.densityTable().cell(7, 2)}), a1b7);
}

void TestReaderExport::cliErrors_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");

    const QString project = QStringLiteral(PLEQ_FIXTURES "/three-samples.plq");
    const QString noTable = fixturePath(QStringLiteral("no-table.txt"));
    QTest::newRow("no plate") << QStringList{"import", project, noTable, "-o", "OUT"}
        << QStringLiteral("pleq-cli: В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                          "со строками A..H, ни строк лунок вида «A1;0,123»\n").arg(noTable);
    const QString twoReads = fixturePath(QStringLiteral("results-two-reads.txt"));
    QTest::newRow("a table to choose") << QStringList{"import", project, twoReads, "-o", "OUT"}
        << QStringLiteral("pleq-cli: В файле «%1» несколько таблиц оптических плотностей: 1 «450nmAbsRead:450», "
                          "2 «630nmAbsRead:630»; какую взять, не выбрано\n"
                          "Укажите таблицу: --table N.\n").arg(twoReads);
    const QString several = fixturePath(QStringLiteral("several-blocks.txt"));
    QTest::newRow("a table of several under headers of their own to choose")
        << QStringList{"import", project, several, "-o", "OUT"}
        << QStringLiteral("pleq-cli: В файле «%1» несколько таблиц оптических плотностей: 2 «450 nm», 3 «620 nm»; "
                          "какую взять, не выбрано\n"
                          "Укажите таблицу: --table N.\n").arg(several);
    const QString repeats = fixturePath(QStringLiteral("list-repeats.csv"));
    QTest::newRow("a repeat to choose") << QStringList{"import", project, repeats, "--table", "1", "-o", "OUT"}
        << QStringLiteral("pleq-cli: В файле «%1» у лунок по нескольку значений, повторов 3: 1 «Repeat 1», "
                          "2 «Repeat 2», 3 «Repeat 3»; какой взять, не выбрано\n"
                          "Укажите повтор: --repeat N.\n").arg(repeats);
    const QString usage = QStringLiteral("pleq-cli: usage: pleq-cli import PROJECT.plq FILE [-o OUT.plq] [--table N] "
                                         "[--repeat N]\n");
    QTest::newRow("no export named") << QStringList{"import", project, "-o", "OUT"} << usage;
    QTest::newRow("three files") << QStringList{"import", project, noTable, noTable} << usage;
    QTest::newRow("a table that is no number") << QStringList{"import", project, twoReads, "--table", "2a"} << usage;
    QTest::newRow("repeat 0") << QStringList{"import", project, repeats, "--repeat", "0"} << usage;
    // clang-format on
}

// An error writes nothing.
void TestReaderExport::cliErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.plq"));
    args.replaceInStrings(QStringLiteral("OUT"), out);
    const test::CliRun run = test::runCli(args);
    QCOMPARE(run.status, 1);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, QByteArray());
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestReaderExport)
#include "tst_readerexport.moc"
