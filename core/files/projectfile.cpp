#include "core/files/projectfile.h"

#include "core/files/fileio.h"
#include "core/model/errors.h"
#include "core/kits/catalogue.h"
#include "core/model/project.h"

#include <QList>
#include <QStringList>

namespace pleq {

namespace {

// Line numbers of the fixed part of the file (1-based, as people count them).
constexpr int ExecutorLine = 1;
constexpr int KitLine = 2;
constexpr int LayoutLine = 3; // 117 lines, column by column
constexpr int PlateNameLine = 120;
constexpr int FirstRowLine = 121;
constexpr int FirstColumnLine = 122;
constexpr int HorizontalLine = 123;
constexpr int VerticalLine = 124;
constexpr int ControlCountLine = 125;
constexpr int RepetitionsLine = 126;
constexpr int SampleCountLine = 127;
constexpr int SamplesLine = 128;                                       // 3 * (N + 1) lines, column by column
constexpr int PlateCells = Project::PlateColumns * Project::PlateRows; // 117

const QString True = QStringLiteral("TRUE");
const QString False = QStringLiteral("FALSE");

// No project file comes near this; a larger file is a mistake, not a project.
constexpr qint64 MaxFileSize = 4 * 1024 * 1024;

QString wellName(int col, int row)
{
    return TextGrid::rowLetter(row) + QString::number(col);
}

QString plateCellName(const QString& grid, int col, int row)
{
    if (col == 0 || row == 0)
        return QStringLiteral("%1 header cell [%2,%3]").arg(grid).arg(col).arg(row);
    return QStringLiteral("%1 well %2").arg(grid, wellName(col, row));
}

QString sampleCellName(int col, int row)
{
    static const char* const columns[] = {"number", "name", "quantity"};
    if (row == 0)
        return QStringLiteral("sample list header \"%1\"").arg(QLatin1String(columns[col]));
    return QStringLiteral("%1 of sample %2").arg(QLatin1String(columns[col])).arg(row);
}

// Collects the lines of the file; every value must come back unchanged.
class Writer
{
public:
    void add(const QString& text, const QString& field)
    {
        if (text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')))
            throw Error(QStringLiteral("The project cannot be saved: the %1 holds a line break").arg(field));
        QString bad;
        const QByteArray bytes = files::toWindows1251(text, '?', &bad);
        if (!bad.isEmpty())
            throw Error(
                QStringLiteral("The project cannot be saved: the %1 holds the character '%2' "
                               "(U+%3), which the Windows-1251 code page cannot store")
                    .arg(field, bad)
                    .arg(QString::number(bad.toUcs4().value(0), 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        m_bytes += bytes;
        m_bytes += "\r\n";
        ++m_lines;
    }
    void addPlate(const TextGrid& grid, const QString& name)
    {
        for (int col = 0; col < Project::PlateColumns; ++col)
            for (int row = 0; row < Project::PlateRows; ++row)
                add(grid.cell(col, row), plateCellName(name, col, row));
    }
    const QByteArray& bytes() const { return m_bytes; }
    int lines() const { return m_lines; }

private:
    QByteArray m_bytes;
    int m_lines = 0;
};

// The lines of a file: LF ends a line and a CR right before it is dropped, so
// a file that lost its CRs reads the same; a last line without an ending
// counts as a line. Only complete lines are split, the rest are looked up.
class Lines
{
public:
    explicit Lines(const QByteArray& bytes)
        : m_bytes(bytes)
    {
        for (qsizetype start = 0; start < bytes.size();) {
            m_starts.append(start);
            const qsizetype end = bytes.indexOf('\n', start);
            start = end < 0 ? bytes.size() : end + 1;
        }
        m_starts.append(bytes.size());
    }
    qsizetype count() const { return m_starts.size() - 1; }
    // Line n (1-based); a line past the end reads as an empty text.
    QString at(qint64 n) const
    {
        if (n < 1 || n > count())
            return QString();
        const qsizetype start = m_starts.at(qsizetype(n - 1));
        qsizetype end = m_starts.at(qsizetype(n));
        if (end > start && m_bytes.at(end - 1) == '\n')
            --end;
        if (end > start && m_bytes.at(end - 1) == '\r')
            --end;
        return files::fromWindows1251(m_bytes.mid(start, end - start));
    }
    // Line n as a value the project keeps. A CR that ends no line would stay
    // in the text, and the save refuses line breaks: such a file is refused
    // here, with the line and the field (`field()`, named only when needed).
    template<typename FieldName> QString value(qint64 n, FieldName field) const
    {
        QString text = at(n);
        if (text.contains(QLatin1Char('\r')))
            throw Error(QStringLiteral("Line %1: the %2 holds a carriage return that ends no line; "
                                       "the file is damaged and cannot be opened")
                            .arg(n)
                            .arg(field()));
        return text;
    }
    // `count` values from line `first` on; `field(i)` names the i-th.
    template<typename FieldName> QStringList range(qint64 first, int count, FieldName field) const
    {
        QStringList texts;
        texts.reserve(count);
        for (int i = 0; i < count; ++i)
            texts.append(value(first + i, [&] { return field(i); }));
        return texts;
    }

private:
    const QByteArray& m_bytes;
    QList<qsizetype> m_starts; // where each line begins, and the end of the file
};

// Everything a file restores, read and checked before the project is touched.
struct FileContent {
    QString executor;
    Kit kit = Kit::K01;
    QStringList layout;
    QString plateName, firstRow, firstColumn, controlCount, repetitions;
    bool horizontal = false;
    int sampleRows = 0;
    QStringList samples;
    QStringList densities;
    bool milk = false;
    bool serum = false;
};

FileContent parse(const QByteArray& bytes)
{
    const Lines lines(bytes);
    FileContent c;
    const auto named = [](const char* field) { return [field] { return QLatin1String(field); }; };
    // The i-th cell of a plate grid as the file holds it, column by column.
    const auto plateCell = [](const char* grid) {
        return [grid](int i) {
            return plateCellName(QLatin1String(grid), i / Project::PlateRows, i % Project::PlateRows);
        };
    };
    c.executor = lines.value(ExecutorLine, named("executor name"));

    // The kit is the second character of its row; a shorter line has none.
    const QString kitDigit = lines.at(KitLine).mid(1, 1);
    const int kit = toInt(kitDigit);
    if (kit < 1 || kit > KitCount)
        throw Error(
            QStringLiteral("Line 2 names no kit: '%1' is not a kit number from 1 to %2").arg(kitDigit).arg(KitCount));
    c.kit = Kit(kit - 1);

    c.layout = lines.range(LayoutLine, PlateCells, plateCell("plate layout"));
    c.plateName = lines.value(PlateNameLine, named("plate name"));
    c.firstRow = lines.value(FirstRowLine, named("first well row"));
    c.firstColumn = lines.value(FirstColumnLine, named("first well column"));
    // Vertical wins when both are marked; neither marked means vertical too.
    c.horizontal = lines.at(VerticalLine) != True && lines.at(HorizontalLine) == True;
    c.controlCount = lines.value(ControlCountLine, named("control count"));
    c.repetitions = lines.value(RepetitionsLine, named("repetitions"));

    const QString countText = lines.at(SampleCountLine);
    const int n = toInt(countText);
    if (n < 2)
        throw Error(
            QStringLiteral("Line 127: the sample list has %1 rows, at least 2 are needed (the header and one sample)")
                .arg(n));
    // The sample lines must all be there: a damaged count must not make the
    // open read (and allocate) far past the end of the file.
    const qint64 lastSampleLine = SamplesLine - 1 + 3 * (qint64(n) + 1);
    if (lastSampleLine > lines.count())
        throw Error(QStringLiteral("Line 127: the sample list of %1 rows needs the file to reach line %2, "
                                   "but it ends at line %3")
                        .arg(n)
                        .arg(lastSampleLine)
                        .arg(lines.count()));
    c.sampleRows = n;
    c.samples.reserve(3 * n);
    for (int col = 0; col < 3; ++col) // the line of row N in each column is not kept
        c.samples +=
            lines.range(SamplesLine + qint64(col) * (n + 1), n, [col](int row) { return sampleCellName(col, row); });

    const qint64 densityLine = lastSampleLine + 1;
    c.densities = lines.range(densityLine, PlateCells, plateCell("density table"));
    c.milk = lines.at(densityLine + PlateCells) == QLatin1String("1");
    c.serum = lines.at(densityLine + PlateCells + 1) == QLatin1String("1");
    return c;
}

} // namespace

QString projectFileName(const QString& chosen)
{
    return chosen.contains(QStringLiteral(".plq")) ? chosen : chosen + QStringLiteral(".plq");
}

QByteArray writeProjectFile(const Project& project)
{
    Writer w;
    w.add(project.executor(), QStringLiteral("executor name"));
    w.add(project.kitRow(), QStringLiteral("kit"));
    w.addPlate(project.plateLayout(), QStringLiteral("plate layout"));
    w.add(project.plateName(), QStringLiteral("plate name"));
    w.add(project.firstRow().text(), QStringLiteral("first well row"));
    w.add(project.firstColumn().text(), QStringLiteral("first well column"));
    w.add(project.horizontal() ? True : False, {});
    w.add(project.horizontal() ? False : True, {});
    w.add(project.controlCount().text(), QStringLiteral("control count"));
    w.add(project.repetitions().text(), QStringLiteral("repetitions"));

    const TextGrid& samples = project.sampleTable();
    const int n = samples.rows();
    if (n < 2) // such a file would not open again
        throw Error(QStringLiteral("The project cannot be saved: the sample list has no sample row"));
    w.add(QString::number(n), {});
    for (int col = 0; col < 3; ++col) {
        for (int row = 0; row < n; ++row)
            w.add(samples.cell(col, row), sampleCellName(col, row));
        w.add(QString(), {}); // the row past the last sample
    }
    w.addPlate(project.densityTable(), QStringLiteral("density table"));
    w.add(project.material() == Material::Milk ? QStringLiteral("1") : QStringLiteral("0"), {});
    w.add(project.material() == Material::Serum ? QStringLiteral("1") : QStringLiteral("0"), {});
    Q_ASSERT(w.lines() == 249 + 3 * n);
    return w.bytes();
}

void readProjectFile(Project& project, const QByteArray& bytes)
{
    const FileContent c = parse(bytes);

    project.resetLabels();
    project.setExecutor(c.executor);
    project.plateLayout().assign(Project::PlateRows, c.layout);
    project.setPlateName(c.plateName);
    project.setFirstWell({FirstRow::fromText(c.firstRow), FirstColumn::fromText(c.firstColumn)});
    project.setControlCount(ControlCount::fromText(c.controlCount));
    project.setRepetitions(Repetitions::fromText(c.repetitions));
    project.sampleTable().assign(c.sampleRows, c.samples);
    project.densityTable().assign(Project::PlateRows, c.densities);

    project.fillEmptyResults();

    if (c.milk)
        project.setMaterial(Material::Milk);
    if (c.serum)
        project.setMaterial(Material::Serum);

    // The kit change checks the vertical orientation; the stored one is then
    // selected again (kit 05 has no horizontal rule, so it stays vertical).
    project.selectKit(c.kit);
    project.setHorizontal(c.horizontal && project.horizontalOffered());
}

void saveProject(const Project& project, const QString& path)
{
    files::writeFileAtomically(path, writeProjectFile(project));
}

void openProject(Project& project, const QString& path)
{
    project.ensureUnlocked();
    readProjectFile(project, files::readFile(path, MaxFileSize));
}

} // namespace pleq
