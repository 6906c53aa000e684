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

// "A1=OVRFLW C3=" for the wells without a number.
QString marked(const ReaderExport& plate)
{
    QStringList wells;
    for (const MarkedWell& m : plate.markedWells)
        wells.append(m.well + QLatin1Char('=') + m.text);
    return wells.join(QLatin1Char(' '));
}

// A project whose layout uses A1, A2, C3 and H12 and whose densities hold
// texts in A1 (used) and B1 (not used).
void prepare(Project& project)
{
    project.fillEmptyLayout();
    project.fillEmptyDensities();
    for (const auto& [col, row, name] : {std::tuple{1, 1, "K+"}, {2, 1, "1"}, {3, 3, "2"}, {12, 8, "3"}})
        project.plateLayout().setCell(col, row, QLatin1String(name));
    project.densityTable().setCell(1, 1, QStringLiteral("1,5"));
    project.densityTable().setCell(1, 2, QStringLiteral("0,7"));
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
    void noPlate_data();
    void noPlate();
    void importIntoLayoutWells_data();
    void importIntoLayoutWells();
    void refusalsChangeNothing_data();
    void refusalsChangeNothing();
    void cli();
    void cliErrors_data();
    void cliErrors();
};

// Every fixture holds 0.RCC in well (row R, column CC) except its markers.
void TestReaderExport::shapes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("block");
    QTest::addColumn<int>("blocks");
    QTest::addColumn<bool>("wellList");
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("d4");
    QTest::addColumn<QString>("e5");
    QTest::addColumn<QString>("h12");
    QTest::addColumn<QString>("marked");

    // clang-format off
    QTest::newRow("tab, UTF-8, metadata, label column after 12")
        << "tab-utf8.txt"          << 1 << 1 << false << ""      << "0.404" << "0.505" << "0.812" << "A1=OVRFLW B2=Range? C3=";
    QTest::newRow("semicolon, decimal comma, UTF-8 BOM")
        << "semicolon-bom.csv"     << 1 << 1 << false << "0.101" << "0.404" << "0.505" << ""      << "H12=?????";
    QTest::newRow("comma, no label above the rows, a quoted cell")
        << "comma-noheadlabel.csv" << 1 << 1 << false << "0.101" << ""      << "0.505" << "0.812" << "D4=*";
    QTest::newRow("UTF-16 LE with BOM")
        << "utf16le.txt"           << 1 << 1 << false << "0.101" << "0.404" << "0.505" << "0.812" << "G7=Ошибка";
    QTest::newRow("UTF-16 BE with BOM")
        << "utf16be.txt"           << 1 << 1 << false << "0.101" << "0.404" << "0.505" << "0.812" << "G7=Ошибка";
    QTest::newRow("Windows-1251, CR line ends")
        << "cp1251.csv"            << 1 << 1 << false << "0.101" << "0.404" << ""      << "0.812" << "E5=Перегруз";
    QTest::newRow("names, then 450 nm, then 620 nm: the densities first")
        << "several-blocks.txt"    << 2 << 3 << false << "0.101" << "0.404" << "0.505" << "0.812" << "F6=OVRFLW";
    QTest::newRow("well list A1;0,123, H12 missing")
        << "list-semicolon.csv"    << 1 << 1 << true  << "0.101" << "0.404" << "0.505" << ""      << "A2=????? H12=";
    QTest::newRow("well list with Well, Sample and OD columns")
        << "list-well-od.csv"      << 1 << 1 << true  << "0.101" << "0.404" << "0.505" << "0.812" << "C10=OVRFLW";
    // clang-format on
}

void TestReaderExport::shapes()
{
    QFETCH(QString, file);
    QFETCH(int, block);
    QFETCH(int, blocks);
    QFETCH(bool, wellList);
    QFETCH(QString, a1);
    QFETCH(QString, d4);
    QFETCH(QString, e5);
    QFETCH(QString, h12);
    QFETCH(QString, marked);

    const ReaderExport plate = parseReaderExport(fixture(file), file);
    QCOMPARE(plate.block, block);
    QCOMPARE(plate.blocks, blocks);
    QCOMPARE(plate.wellList, wellList);
    QCOMPARE(density(plate, 1, 1), a1);
    QCOMPARE(density(plate, 4, 4), d4);
    QCOMPARE(density(plate, 5, 5), e5);
    QCOMPARE(density(plate, 12, 8), h12);
    QCOMPARE(density(plate, 11, 2), QStringLiteral("0.211")); // a row or column shift shows here
    QCOMPARE(::marked(plate), marked);
}

void TestReaderExport::cells_data()
{
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
}

// One cell in A1 of a tab-separated grid, 0,1 in A2, 0 elsewhere.
void TestReaderExport::cells()
{
    QFETCH(QString, cell);
    QFETCH(QString, density);
    QFETCH(QString, marked);

    QByteArray bytes = "\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t" + cell.toUtf8() + "\t0,1\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0";
    for (const char* row : {"B", "C", "D", "E", "F", "G", "H"})
        bytes += QByteArray("\n") + row + "\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0\t0";
    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"));
    QCOMPARE(::density(plate, 1, 1), density);
    QCOMPARE(::density(plate, 2, 1), QStringLiteral("0.1"));
    QCOMPARE(::marked(plate), marked);
}

void TestReaderExport::wellLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("a1");

    QTest::newRow("comma, decimal comma") << QByteArray("A1,0,123\n") << "0.123";
    QTest::newRow("semicolon, decimal comma") << QByteArray("A1;0,123\n") << "0.123";
    QTest::newRow("tab, lower case, leading zero") << QByteArray("a01\t0.123\n") << "0.123";
    QTest::newRow("OD column before another") << QByteArray("Well;OD;Sample\nA1;0,5;12\n") << "0.5";
    QTest::newRow("first reading of a well kept") << QByteArray("A1,0.4\nA1,0.9\n") << "0.4";
}

void TestReaderExport::wellLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, a1);
    const ReaderExport plate = parseReaderExport(bytes, QStringLiteral("x.txt"));
    QVERIFY(plate.wellList);
    QCOMPARE(::density(plate, 1, 1), a1);
    QCOMPARE(plate.markedWells.size(), 95);
}

void TestReaderExport::noPlate_data()
{
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
    QTest::newRow("a table of integer codes")
        << QByteArray("\t1\t2\t3\t4\t5\t6\t7\t8\t9\t10\t11\t12\nA\t1\nB\t2\nC\t3\nD\nE\nF\nG\nH\t8\n")
        << QStringLiteral("В файле «x.txt» таблиц 8 × 12: 1, но ни в одной нет оптических плотностей");
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

void TestReaderExport::importIntoLayoutWells_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QStringList>("a1a2c3h12b1");
    QTest::addColumn<QString>("message");

    const QString tab = fixturePath(QStringLiteral("tab-utf8.txt"));
    QTest::newRow("markers empty their wells")
        << tab << QStringList{"", "0,102", "", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Записаны плотности лунок раскладки: 4.\n"
                          "Без числа в файле, оставлены пустыми: A1 «OVRFLW», C3.").arg(tab);
    const QString several = fixturePath(QStringLiteral("several-blocks.txt"));
    QTest::newRow("the table taken is named")
        << several << QStringList{"0,101", "0,102", "0,303", "0,812", "0,7"}
        << QStringLiteral("Импорт из файла «%1».\n"
                          "Взята таблица 2 из 3: первая с оптическими плотностями.\n"
                          "Записаны плотности лунок раскладки: 4.").arg(several);
}

// As the acquisition: the layout's wells take the file's numbers with the
// separator the grid shows, the other wells keep their texts.
void TestReaderExport::importIntoLayoutWells()
{
    QFETCH(QString, file);
    QFETCH(QStringList, a1a2c3h12b1);
    QFETCH(QString, message);

    Project project;
    prepare(project);
    QCOMPARE(importDensities(project, file), message);
    const TextGrid& d = project.densityTable();
    QCOMPARE((QStringList{d.cell(1, 1), d.cell(2, 1), d.cell(3, 3), d.cell(12, 8), d.cell(1, 2)}), a1a2c3h12b1);
    QCOMPARE(d.cell(2, 2), QString()); // B2 "Range?" lies outside the layout
    QCOMPARE(d.cell(0, 1), QStringLiteral("A"));
}

void TestReaderExport::refusalsChangeNothing_data()
{
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
                                     "Записаны плотности лунок раскладки: 14.\n"
                                     "Без числа в файле, оставлены пустыми: A1 «OVRFLW», B2 «Range?».\n").arg(file));

    // The fixture's layout uses A1..A7 and B1..B7; the test runs in the C locale.
    Project project;
    openProject(project, out);
    const TextGrid& d = project.densityTable();
    QCOMPARE((QStringList{d.cell(1, 1), d.cell(2, 1), d.cell(7, 1), d.cell(2, 2), d.cell(7, 2), d.cell(8, 1), d.cell(1, 3)}),
             (QStringList{"", "0.102", "0.107", "", "0.207", "", ""}));
}

void TestReaderExport::cliErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("err");

    const QString project = QStringLiteral(PLEQ_FIXTURES "/three-samples.plq");
    const QString noTable = fixturePath(QStringLiteral("no-table.txt"));
    QTest::newRow("no plate") << QStringList{"import", project, noTable, "-o", "OUT"}
        << QStringLiteral("pleq-cli: В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                          "со строками A..H, ни строк лунок вида «A1;0,123»\n").arg(noTable);
    const QString usage = QStringLiteral("pleq-cli: usage: pleq-cli import PROJECT.plq FILE [-o OUT.plq]\n");
    QTest::newRow("no export named") << QStringList{"import", project, "-o", "OUT"} << usage;
    QTest::newRow("three files") << QStringList{"import", project, noTable, noTable} << usage;
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
