#include "docstest.h"

#include "core/files/fileio.h"
#include "core/files/projectfile.h"
#include "core/layout/fill.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "support/resultwells.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;
using namespace pleq::test;

namespace {

QList<QByteArray> fileLines(const QByteArray& bytes)
{
    QList<QByteArray> lines = bytes.split('\n');
    lines.removeLast(); // after the last CR LF
    for (QByteArray& l : lines)
        l.chop(1);
    return lines;
}

QByteArray joinLines(const QList<QByteArray>& lines)
{
    QByteArray bytes;
    for (const QByteArray& l : lines)
        bytes += l + "\r\n";
    return bytes;
}

// The three-sample fixture with line n (1-based) replaced.
QByteArray withLine(int n, const QByteArray& text)
{
    QList<QByteArray> lines = fileLines(readFixture(QStringLiteral("three-samples.plq")));
    lines[n - 1] = text;
    return joinLines(lines);
}

// Everything a failed open must leave as it was.
struct Snapshot {
    QByteArray file;
    QStringList results;
    QStringList labels;
    bool horizontal;
    explicit Snapshot(const Project& p)
        : file(writeProjectFile(p))
        , results(p.resultTable().columnMajorTexts())
        , horizontal(p.horizontal())
    {
        for (int i = 0; i < LabelCount; ++i)
            labels.append(p.label(Label(i)).text);
    }
    bool operator==(const Snapshot&) const = default;
};

// A project the user has worked on: another kit, horizontal, a calculation shown.
void workOn(Project& p)
{
    p.selectKit(Kit(2));
    p.setHorizontal(true);
    p.setExecutor(QStringLiteral("Сидорова"));
    p.densityTable().setCell(5, 5, QStringLiteral("0,5"));
    test::setResult(p, 5, 5, 0.5, Verdict::Negative);
    p.setLabelText(Label::s0, QStringLiteral("C+  = 1,2"));
}

} // namespace

class TestProjectFile : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initialProject();
    void threeSamplesRoundTrip();
    void lineEndings_data();
    void lineEndings();
    void fileName_data();
    void fileName();
    void orientation_data();
    void orientation();
    void material_data();
    void material();
    void settings_data();
    void settings();
    void openEmptiesResults();
    void shortFile();
    void openErrors_data();
    void openErrors();
    void openFileErrors();
    void saveRefusesUnfaithfulTexts_data();
    void saveRefusesUnfaithfulTexts();
    void saveFailures();
    void codePage_data();
    void codePage();
    void unrepresentable_data();
    void unrepresentable();
};

void TestProjectFile::initialProject()
{
    Project project;
    fillPlate(project);
    const QByteArray bytes = writeProjectFile(project);
    const QString diff = firstDifference(bytes, readFixture(QStringLiteral("initial.plq")));
    QVERIFY2(diff.isEmpty(), qPrintable(diff));

    // The lines a reader of the format checks first.
    const QList<QByteArray> lines = fileLines(bytes);
    QCOMPARE(lines.size(), 255);
    const QStringList head = {QStringLiteral(" - "), "A", "B", "C", "D", "E", "F", "G", "H"};
    for (int i = 0; i < head.size(); ++i)
        QCOMPARE(files::fromWindows1251(lines.at(2 + i)), head.at(i));
    const QStringList samples = {"№", "1", "", "Проба ", "Проба №1", "", "Кол-во", "1", ""};
    for (int i = 0; i < samples.size(); ++i)
        QCOMPARE(files::fromWindows1251(lines.at(127 + i)), samples.at(i));
    QCOMPARE(lines.at(2).at(1), '-'); // Windows-1251 bytes, not UTF-8
    QCOMPARE(lines.at(127), QByteArray("\xb9"));
}

void TestProjectFile::threeSamplesRoundTrip()
{
    const QByteArray fixture = readFixture(QStringLiteral("three-samples.plq"));
    QCOMPARE(fileLines(fixture).size(), 261);
    Project project;
    readProjectFile(project, fixture);

    QCOMPARE(project.caption(), QStringLiteral("Проект [01 - Набор «Зорвал-SR»]"));
    QCOMPARE(project.executor(), QStringLiteral("Иванова А. П. "));
    QVERIFY(project.horizontal());
    QCOMPARE(project.material(), Material::Milk);
    QCOMPARE(project.plateName(), QStringLiteral("Планшет 7"));
    QCOMPARE(project.sampleTable().rows(), 4);
    QCOMPARE(project.sampleTable().cell(1, 0), QStringLiteral("Проба "));
    QCOMPARE(project.sampleTable().cell(1, 2), QStringLiteral("Корова 17 "));
    QCOMPARE(project.sampleTable().cell(1, 3), QStringLiteral("Тёлка «Зорька»"));
    QCOMPARE(project.plateLayout().cell(0, 0), QStringLiteral(" - "));
    QCOMPARE(project.plateLayout().cell(2, 2), QStringLiteral("R+!"));
    QCOMPARE(project.plateLayout().cell(12, 8), QStringLiteral(" - "));
    QCOMPARE(project.densityTable().cell(6, 1), QStringLiteral("1.5 "));

    const QString diff = firstDifference(writeProjectFile(project), fixture);
    QVERIFY2(diff.isEmpty(), qPrintable(diff));
}

void TestProjectFile::lineEndings_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray fixture = readFixture(QStringLiteral("three-samples.plq"));
    QTest::newRow("LF only") << QByteArray(fixture).replace("\r\n", "\n");
    QTest::newRow("last line without CR LF") << fixture.chopped(2);
    QTest::newRow("last line with LF only") << fixture.chopped(2) + "\n";
    // clang-format on
}

// Files that lost their CRs (copied through a Unix tool) or their last line
// ending read the same; what is saved again is the proper CR LF file.
void TestProjectFile::lineEndings()
{
    QFETCH(QByteArray, bytes);
    Project project;
    readProjectFile(project, bytes);
    QCOMPARE(writeProjectFile(project), readFixture(QStringLiteral("three-samples.plq")));
}

void TestProjectFile::fileName_data()
{
    // clang-format off
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "plate" << "plate.plq";
    QTest::newRow("extension") << "plate.plq" << "plate.plq";
    QTest::newRow("capitals") << "plate.PLQ" << "plate.PLQ.plq";
    QTest::newRow("inside") << "plate.plq.bak" << "plate.plq.bak";
    QTest::newRow("folder with .plq") << "/data/x.plq/plate" << "/data/x.plq/plate";
    // clang-format on
}

void TestProjectFile::fileName()
{
    QFETCH(QString, chosen);
    QTEST(projectFileName(chosen), "saved");
}

void TestProjectFile::orientation_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("kitLine");
    QTest::addColumn<QByteArray>("line123");
    QTest::addColumn<QByteArray>("line124");
    QTest::addColumn<bool>("horizontal");
    QTest::newRow("kit 01 horizontal") << QByteArray("01") << QByteArray("TRUE") << QByteArray("FALSE") << true;
    QTest::newRow("kit 01 vertical") << QByteArray("01") << QByteArray("FALSE") << QByteArray("TRUE") << false;
    QTest::newRow("both marked: vertical") << QByteArray("04") << QByteArray("TRUE") << QByteArray("TRUE") << false;
    QTest::newRow("none marked: vertical") << QByteArray("02") << QByteArray("FALSE") << QByteArray("") << false;
    QTest::newRow("not exactly TRUE") << QByteArray("03") << QByteArray("True") << QByteArray("FALSE") << false;
    QTest::newRow("kit 05 has no horizontal") << QByteArray("05") << QByteArray("TRUE") << QByteArray("FALSE") << false;
    // clang-format on
}

// The kit change checks the vertical orientation; the stored one stands after it.
void TestProjectFile::orientation()
{
    QFETCH(QByteArray, kitLine);
    QFETCH(QByteArray, line123);
    QFETCH(QByteArray, line124);
    QFETCH(bool, horizontal);
    QList<QByteArray> lines = fileLines(readFixture(QStringLiteral("three-samples.plq")));
    lines[1] = kitLine;
    lines[122] = line123;
    lines[123] = line124;
    Project project;
    project.setHorizontal(!horizontal); // the earlier choice plays no part
    readProjectFile(project, joinLines(lines));
    QCOMPARE(project.horizontal(), horizontal);
    QCOMPARE(project.kitIndex(), kitLine.at(1) - '1');
}

void TestProjectFile::material_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("milk");
    QTest::addColumn<QByteArray>("serum");
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::newRow("milk") << QByteArray("1") << QByteArray("0") << 1 << 0;
    QTest::newRow("serum") << QByteArray("0") << QByteArray("1") << 0 << 1;
    QTest::newRow("neither: unchanged") << QByteArray("0") << QByteArray("0") << 0 << 0;
    QTest::newRow("not exactly 1: unchanged") << QByteArray(" 1") << QByteArray("") << 1 << 1;
    QTest::newRow("both: the last wins") << QByteArray("1") << QByteArray("1") << 0 << 1;
    // clang-format on
}

void TestProjectFile::material()
{
    QFETCH(QByteArray, milk);
    QFETCH(QByteArray, serum);
    QFETCH(int, before);
    QList<QByteArray> lines = fileLines(readFixture(QStringLiteral("three-samples.plq")));
    lines[259] = milk;
    lines[260] = serum;
    Project project;
    project.setMaterial(Material(before));
    readProjectFile(project, joinLines(lines));
    QTEST(int(project.material()), "after");
}

void TestProjectFile::settings_data()
{
    // clang-format off
    QTest::addColumn<int>("line");
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("number"); // 0: none of the box's items
    QTest::newRow("row C") << 121 << QByteArray("C") << 3;
    QTest::newRow("row c") << 121 << QByteArray("c") << 0;
    QTest::newRow("row empty") << 121 << QByteArray("") << 0;
    QTest::newRow("column 12") << 122 << QByteArray("12") << 12;
    QTest::newRow("column 012") << 122 << QByteArray("012") << 0;
    QTest::newRow("column 13") << 122 << QByteArray("13") << 0;
    QTest::newRow("control count 2") << 125 << QByteArray("2") << 2;
    QTest::newRow("control count x") << 125 << QByteArray("x") << 0;
    QTest::newRow("repetitions 03") << 126 << QByteArray("03") << 3;
    QTest::newRow("repetitions 1") << 126 << QByteArray("1") << 0;
    QTest::newRow("repetitions 04") << 126 << QByteArray("04") << 0;
    // clang-format on
}

// The settings are numbers of the boxes' lists; a text a file holds that is
// none of them stays as it was read, and the file is written back unchanged.
void TestProjectFile::settings()
{
    QFETCH(int, line);
    QFETCH(QByteArray, text);
    QFETCH(int, number);
    const QByteArray file = withLine(line, text);
    Project project;
    readProjectFile(project, file);
    const auto check = [&](const auto& setting) {
        QCOMPARE(setting.listed(), number != 0);
        if (number != 0)
            QCOMPARE(setting.number(), number);
        QCOMPARE(setting.text(), QString::fromLatin1(text));
    };
    switch (line) {
    case 121: check(project.firstRow()); break;
    case 122: check(project.firstColumn()); break;
    case 125: check(project.controlCount()); break;
    default: check(project.repetitions()); break;
    }
    QCOMPARE(writeProjectFile(project), file);
}

// Opening clears the calculation even when the densities are the same.
void TestProjectFile::openEmptiesResults()
{
    Project project;
    const QByteArray fixture = readFixture(QStringLiteral("three-samples.plq"));
    readProjectFile(project, fixture);
    test::setResult(project, 1, 1, 1.512, Verdict::Positive);
    project.setLabelText(Label::dC1, QStringLiteral("d(C-!) = 0,3"));
    project.setLabelColor(Label::dC1, LabelColor::Red);
    readProjectFile(project, fixture);
    QCOMPARE(project.resultTable().cell(1, 1), QString());
    QVERIFY(!project.resultWells().at(1, 1).value);
    QCOMPARE(project.resultTable().cell(3, 0), QStringLiteral("3"));
    QCOMPARE(project.label(Label::dC1).text, QStringLiteral("-"));
    QCOMPARE(project.label(Label::dC1).color, LabelColor::Red);
}

// A file that ends after its sample lines reads the rest as empty texts.
void TestProjectFile::shortFile()
{
    QList<QByteArray> lines = fileLines(readFixture(QStringLiteral("three-samples.plq")));
    lines = lines.mid(0, 142 + 10); // the samples end at line 142; ten density lines follow
    Project project;
    project.setMaterial(Material::Milk);
    readProjectFile(project, joinLines(lines));
    QCOMPARE(project.sampleTable().cell(1, 3), QStringLiteral("Тёлка «Зорька»"));
    QCOMPARE(project.densityTable().cell(1, 0), QStringLiteral("1")); // line 152
    QCOMPARE(project.densityTable().cell(1, 1), QString());           // line 153, past the end
    QCOMPARE(project.densityTable().cell(12, 8), QString());
    QCOMPARE(project.material(), Material::Milk);
}

void TestProjectFile::openErrors_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QList<QByteArray> lines = fileLines(readFixture(QStringLiteral("three-samples.plq")));
    const QString notInt = QStringLiteral("'%1' is not a valid integer value");
    QTest::newRow("empty line 127") << withLine(127, "") << notInt.arg("");
    QTest::newRow("N not a number") << withLine(127, "4a") << notInt.arg("4a");
    QTest::newRow("kit line of one character") << withLine(2, "0") << notInt.arg("");
    QTest::newRow("kit digit not a digit") << withLine(2, "0x - kit") << notInt.arg("x");
    QTest::newRow("kit digit 0") << withLine(2, "00 - kit")
                                 << "Line 2 names no kit: '0' is not a kit number from 1 to 5";
    QTest::newRow("kit digit 6") << withLine(2, "06") << "Line 2 names no kit: '6' is not a kit number from 1 to 5";
    QTest::newRow("N of 1") << withLine(127, "1")
                            << "Line 127: the sample list has 1 rows, at least 2 are needed (the header and one sample)";
    QTest::newRow("negative N") << withLine(127, "-5")
                                << "Line 127: the sample list has -5 rows, at least 2 are needed (the header and one sample)";
    QTest::newRow("N past the end") << withLine(127, "2000000000")
                                    << "Line 127: the sample list of 2000000000 rows needs the file to reach line "
                                       "6000000130, but it ends at line 261";
    QTest::newRow("last sample line missing") << joinLines(lines.mid(0, 141))
                                              << "Line 127: the sample list of 4 rows needs the file to reach line "
                                                 "142, but it ends at line 141";
    QTest::newRow("file cut inside the layout") << joinLines(lines.mid(0, 60)) << notInt.arg("");
    QTest::newRow("empty file") << QByteArray() << notInt.arg("");
    // A carriage return that ends no line would stay in the value, which no
    // save could write again: such files are refused, the field named.
    const QString lone = QStringLiteral("Line %1: the %2 holds a carriage return that ends no line; "
                                        "the file is damaged and cannot be opened");
    QTest::newRow("CR line ends only") << readFixture(QStringLiteral("three-samples.plq")).replace("\r\n", "\r")
                                       << lone.arg(1).arg("executor name");
    QTest::newRow("CR CR LF after a layout well") << withLine(23, "R+!\r") << lone.arg(23).arg("plate layout well B2");
    QTest::newRow("CR inside a layout header") << withLine(5, "\rB") << lone.arg(5).arg("plate layout header cell [0,2]");
    QTest::newRow("CR inside a sample name") << withLine(135, "Korova\r17") << lone.arg(135).arg("name of sample 2");
    QTest::newRow("CR after a density") << withLine(182, "0,5\r") << lone.arg(182).arg("density table well C4");
    // clang-format on
}

// A bad file changes nothing at all: not the settings, grids, results or labels.
void TestProjectFile::openErrors()
{
    QFETCH(QByteArray, bytes);
    Project project;
    workOn(project);
    const Snapshot before(project);
    try {
        readProjectFile(project, bytes);
        QFAIL("the file was accepted");
    } catch (const Error& e) {
        QTEST(e.message(), "message");
    }
    QVERIFY(Snapshot(project) == before);
    QCOMPARE(project.kitIndex(), 2);
}

void TestProjectFile::openFileErrors()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Project project;
    workOn(project);
    const Snapshot before(project);
    auto message = [&](const QString& path) {
        try {
            openProject(project, path);
        } catch (const Error& e) {
            return e.message();
        }
        return QStringLiteral("opened");
    };
    QCOMPARE(message(dir.filePath(QStringLiteral("missing.plq"))), QStringLiteral("File not found"));
    QCOMPARE(message(dir.path()), QStringLiteral("file to open is a directory"));
    // An endless device chosen by mistake is not read without bound.
    QCOMPARE(message(QStringLiteral("/dev/zero")), QStringLiteral("The file is larger than 4194304 bytes"));
    QVERIFY(Snapshot(project) == before);

    // A file the user may not read (as root: read by an unprivileged user).
    if (!FaultsAvailable)
        return;
    const QString locked = dir.filePath(QStringLiteral("locked.plq"));
    QFile file(locked);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(readFixture(QStringLiteral("three-samples.plq")));
    file.close();
    QVERIFY(file.setPermissions(QFileDevice::WriteOwner));
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                                  | QFileDevice::ExeOther));
    QCOMPARE(runUnprivileged([&] { return message(locked) == QLatin1String("File access denied") ? 0 : 1; }), 0);
}

void TestProjectFile::saveRefusesUnfaithfulTexts_data()
{
    // clang-format off
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString cannot = QStringLiteral("The project cannot be saved: the %1 holds ");
    const QString code = QStringLiteral("the character '%1' (U+%2), which the Windows-1251 code page cannot store");
    QTest::newRow("executor, Greek") << 0 << "Ωмега" << cannot.arg("executor name") + code.arg("Ω", "03A9");
    QTest::newRow("sample name, emoji") << 1 << "Проба \U0001F404" << cannot.arg("name of sample 1") + code.arg("\U0001F404", "1F404");
    QTest::newRow("sample name, line feed") << 1 << "Проба\n2" << cannot.arg("name of sample 1") + "a line break";
    QTest::newRow("density, carriage return") << 2 << "0,5\r" << cannot.arg("density table well C4") + "a line break";
    QTest::newRow("layout well, CJK") << 3 << "样" << cannot.arg("plate layout well H12") + code.arg("样", "6837");
    QTest::newRow("plate name, line feed") << 4 << "a\nb" << cannot.arg("plate name") + "a line break";
    QTest::newRow("no sample row") << 5 << "" << "The project cannot be saved: the sample list has no sample row";
    // clang-format on
}

// A file must always reopen to the same project: such texts are refused and
// nothing is written, an earlier file stays.
void TestProjectFile::saveRefusesUnfaithfulTexts()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    Project project;
    switch (field) {
    case 0: project.setExecutor(text); break;
    case 1: project.sampleTable().setCell(1, 1, text); break;
    case 2: project.densityTable().setCell(4, 3, text); break;
    case 3: project.plateLayout().setCell(12, 8, text); break;
    case 4: project.setPlateName(text); break;
    case 5: project.sampleTable().setRows(1); break;
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("plate.plq"));
    QFile earlier(path);
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    try {
        saveProject(project, path);
        QFAIL("the project was saved");
    } catch (const Error& e) {
        QTEST(e.message(), "message");
    }
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"plate.plq"});
}

// A failed save leaves the earlier file as it was and no partial file beside it.
void TestProjectFile::saveFailures()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    Project project;
    fillPlate(project);
    const QString path = dir.filePath(QStringLiteral("plate.plq"));
    auto save = [&](const QString& to) {
        try {
            saveProject(project, to);
        } catch (const Error& e) {
            return e.message();
        }
        return QStringLiteral("saved");
    };
    QCOMPARE(save(path), QStringLiteral("saved"));
    const QByteArray first = writeProjectFile(project);
    project.setExecutor(QStringLiteral("Второй"));
    auto untouched = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) && f.readAll() == first
               && QDir(dir.path()).entryList(QDir::Files) == QStringList{"plate.plq"};
    };

    if (FaultsAvailable) { // A full disk: the file cannot grow past 1000 bytes.
        FileSizeLimit full(500);
        QCOMPARE(save(path), QStringLiteral("File too large"));
    }
    QVERIFY(untouched());

    // A folder that is a regular file (fails for root as well).
    QCOMPARE(save(path + QStringLiteral("/inner.plq")), QStringLiteral("Not a directory"));
    QVERIFY(untouched());

    // A read-only folder (as root: written by an unprivileged user).
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther
                                                  | QFileDevice::ExeOther));
    if (FaultsAvailable)
        QCOMPARE(runUnprivileged([&] { return save(path) == QLatin1String("File access denied") ? 0 : 1; }), 0);
    QVERIFY(untouched());
    QVERIFY(
        QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));

    QCOMPARE(save(path), QStringLiteral("saved"));
    QVERIFY(!untouched()); // the successful save replaced it
}

// The Windows-1251 code page, the same on every system (Qt for Windows has
// no converter of its own for it): bytes and text both ways.
void TestProjectFile::codePage_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("Cyrillic letters") << QByteArray("\xC0\xC1\xDF\xE0\xE1\xFF") << QStringLiteral("АБЯабя");
    QTest::newRow("Ё, ё and №") << QByteArray("\xA8\xB8\xB9") << QStringLiteral("Ёё№");
    QTest::newRow("punctuation") << QByteArray("\xAB\xBB\x96\x97\x85") << QStringLiteral("«»–—…");
    QTest::newRow("the euro and the unassigned 0x98") << QByteArray("\x88\x98") << QStringLiteral("€\u0098");
    QTest::newRow("ASCII and line ends") << QByteArray("0,394 C+\r\n") << QStringLiteral("0,394 C+\r\n");
    // clang-format on
}

void TestProjectFile::codePage()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(files::fromWindows1251(bytes), text);
    QString unrepresentable;
    QCOMPARE(files::toWindows1251(text, '?', &unrepresentable), bytes);
    QCOMPARE(unrepresentable, QString());
}

void TestProjectFile::unrepresentable_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("first");
    QTest::newRow("a CJK character") << QStringLiteral("А日Б") << QByteArray("\xC0?\xC1") << QStringLiteral("日");
    QTest::newRow("beyond the BMP: one substitute") << QStringLiteral("a😀b") << QByteArray("a?b") << QStringLiteral("😀");
    QTest::newRow("the first of two named") << QStringLiteral("Ω日") << QByteArray("??") << QStringLiteral("Ω");
    QTest::newRow("a lone surrogate at the end") << (QStringLiteral("x") + QChar(0xD83D)) << QByteArray("x?")
                                                 << QString(QChar(0xD83D));
    // clang-format on
}

void TestProjectFile::unrepresentable()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, first);
    QString unrepresentable;
    QCOMPARE(files::toWindows1251(text, '?', &unrepresentable), bytes);
    QCOMPARE(unrepresentable, first);
}

QTEST_GUILESS_MAIN(TestProjectFile)
#include "tst_projectfile.moc"
