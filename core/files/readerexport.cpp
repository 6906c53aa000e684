#include "core/files/readerexport.h"

#include "core/files/fileio.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include <cmath>
#include <optional>

namespace pleq::files {

namespace {

const qint64 MaxExportSize = 8 * 1024 * 1024; // exports are a few kilobytes
const QChar Separators[] = {QLatin1Char('\t'), QLatin1Char(';'), QLatin1Char(',')};

QString decode(const QByteArray& bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    if (bytes.startsWith("\xFF\xFE"))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(2));
    if (bytes.startsWith("\xFE\xFF"))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(2));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(bytes);
    // Files saved by Windows programs in a Russian setting are Windows-1251.
    return utf8.hasError() ? fromWindows1251(bytes) : text;
}

// Fields split at `sep`, a double-quoted field may hold it ("0,123" in a CSV).
QStringList splitFields(const QString& line, QChar sep)
{
    QStringList fields;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            if (quoted && i + 1 < line.size() && line.at(i + 1) == QLatin1Char('"'))
                field += line.at(++i);
            else
                quoted = !quoted;
        } else if (c == sep && !quoted) {
            fields.append(field.trimmed());
            field.clear();
        } else {
            field += c;
        }
    }
    fields.append(field.trimmed());
    return fields;
}

enum class CellKind { Number, Marker, Label };

struct Cell {
    CellKind kind;
    QString number; // with "." as the mark, for a Number
};

Cell readCell(const QString& text)
{
    static const QRegularExpression number(
        QStringLiteral("^[+-]?(\\d+([.,]\\d*)?|[.,]\\d+)([eE][+-]?\\d+)?$"));
    if (number.match(text).hasMatch()) {
        QString n = text;
        n.replace(QLatin1Char(','), QLatin1Char('.'));
        if (n.startsWith(QLatin1Char('+')))
            n.remove(0, 1);
        // A density text of one character counts as 0; "3" means 3.
        if (n.size() == 1)
            n += QStringLiteral(".0");
        bool ok = false;
        const double value = n.toDouble(&ok);
        if (ok && std::isfinite(value))
            return {CellKind::Number, n};
        return {CellKind::Marker, {}}; // beyond any density ("1e999")
    }
    // A text with a letter and a digit names something ("S1", "STD2"); one
    // without is an instrument's marker ("OVRFLW", "Range?", "?????", ">3.5").
    bool letter = false;
    bool digit = false;
    for (const QChar c : text) {
        letter = letter || c.isLetter();
        digit = digit || c.isDigit();
    }
    return {letter && digit ? CellKind::Label : CellKind::Marker, {}};
}

// The separator and the field of "1" of a header row "1".."12", if `line` is one.
std::optional<std::pair<QChar, qsizetype>> headerRow(const QString& line)
{
    for (const QChar sep : Separators) {
        if (!line.contains(sep))
            continue;
        const QStringList fields = splitFields(line, sep);
        for (qsizetype k = 0; k + 12 <= fields.size(); ++k) {
            int n = 1;
            while (n <= 12 && fields.at(k + n - 1) == QString::number(n))
                ++n;
            if (n > 12)
                return std::make_pair(sep, k);
        }
    }
    return std::nullopt;
}

struct Grid {
    std::array<QString, ReaderExport::Wells> cells;
};

// The eight rows A..H after the header at `at` (blank lines between skipped),
// or nothing when they do not follow.
std::optional<Grid> gridAfter(const QStringList& lines, qsizetype at, QChar sep, qsizetype k)
{
    // Without a label above them the labels stand in the first field.
    const qsizetype labelField = k > 0 ? k - 1 : 0;
    const qsizetype firstValue = k > 0 ? k : 1;
    Grid grid;
    qsizetype i = at + 1;
    for (int row = 1; row <= 8; ++row) {
        while (i < lines.size() && lines.at(i).trimmed().isEmpty())
            ++i;
        if (i >= lines.size())
            return std::nullopt;
        const QStringList fields = splitFields(lines.at(i++), sep);
        if (fields.value(labelField).compare(TextGrid::rowLetter(row), Qt::CaseInsensitive) != 0)
            return std::nullopt;
        for (int col = 1; col <= 12; ++col)
            grid.cells[size_t(ReaderExport::index(col, row))] = fields.value(firstValue + col - 1);
    }
    return grid;
}

// Densities, not a map of names or integer codes: no names and some number
// with a decimal mark or an exponent.
bool holdsDensities(const Grid& grid)
{
    static const QRegularExpression mark(QStringLiteral("[.,eE]"));
    bool fraction = false;
    for (const QString& text : grid.cells) {
        const Cell cell = readCell(text);
        if (cell.kind == CellKind::Label)
            return false;
        if (cell.kind == CellKind::Number && text.contains(mark))
            fraction = true;
    }
    return fraction;
}

// The cells' numbers into the plate; a well without one (absent from a list,
// or its cell a marker) is named as empty.
void takeCells(ReaderExport& plate, const std::array<QString, ReaderExport::Wells>& cells,
               const std::array<bool, ReaderExport::Wells>& present)
{
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            const auto i = size_t(ReaderExport::index(col, row));
            const Cell cell = readCell(cells[i]);
            if (present[i] && cell.kind == CellKind::Number)
                plate.densities[i] = cell.number;
            else
                plate.markedWells.append({ReaderExport::wellName(col, row), present[i] ? cells[i] : QString()});
        }
    }
}

// Lines "A1;0,123" or "A01,0.123", or a "Well" column and an "OD"/"Abs"
// column named by a header line. False when no line names a well.
bool readWellList(const QStringList& lines, ReaderExport& plate)
{
    static const QRegularExpression well(QStringLiteral("^([A-Ha-h])0?([1-9]|1[0-2])$"));
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    static const QRegularExpression wellColumn(QStringLiteral("Well|Лунка"), QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression valueHeader(QStringLiteral("(OD|Abs|ОП).*"),
                                                QRegularExpression::CaseInsensitiveOption);
    std::array<QString, ReaderExport::Wells> cells;
    std::array<bool, ReaderExport::Wells> present{};
    qsizetype wellField = 0;
    qsizetype valueField = 1;
    bool any = false;
    for (const QString& line : lines) {
        QChar sep = QLatin1Char(',');
        for (const QChar s : Separators) {
            if (line.contains(s)) {
                sep = s;
                break;
            }
        }
        const QStringList fields = splitFields(line, sep);
        // indexOf matches a whole field.
        const qsizetype wellHeader = fields.indexOf(wellColumn);
        if (wellHeader >= 0) {
            wellField = wellHeader;
            const qsizetype value = fields.indexOf(valueHeader);
            valueField = value >= 0 ? value : wellHeader + 1;
            continue;
        }
        const QRegularExpressionMatch m = well.match(fields.value(wellField));
        if (!m.hasMatch())
            continue;
        const int row = m.captured(1).toUpper().at(0).unicode() - 'A' + 1;
        const auto i = size_t(ReaderExport::index(m.captured(2).toInt(), row));
        if (present[i]) // a second reading of the well
            continue;
        present[i] = true;
        cells[i] = fields.value(valueField);
        // "A1,0,123": a decimal comma that the comma separator split.
        if (sep == QLatin1Char(',') && fields.size() == valueField + 2 && digits.match(cells[i]).hasMatch()
            && digits.match(fields.last()).hasMatch())
            cells[i] += QLatin1Char('.') + fields.last();
        any = true;
    }
    if (any) {
        takeCells(plate, cells, present);
        plate.wellList = true;
    }
    return any;
}

} // namespace

QString ReaderExport::wellName(int col, int row)
{
    return TextGrid::rowLetter(row) + QString::number(col);
}

ReaderExport parseReaderExport(const QByteArray& bytes, const QString& fileName)
{
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    const QStringList lines = decode(bytes).split(lineBreak);

    std::optional<Grid> taken;
    int blocks = 0;
    int takenBlock = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto header = headerRow(lines.at(i));
        if (!header)
            continue;
        const std::optional<Grid> grid = gridAfter(lines, i, header->first, header->second);
        if (!grid)
            continue;
        ++blocks;
        if (!taken && holdsDensities(*grid)) {
            taken = grid;
            takenBlock = blocks;
        }
    }

    ReaderExport plate;
    if (taken) {
        std::array<bool, ReaderExport::Wells> present;
        present.fill(true);
        takeCells(plate, taken->cells, present);
        plate.block = takenBlock;
        plate.blocks = blocks;
        return plate;
    }
    if (blocks > 0)
        throw Error(QStringLiteral("В файле «%1» таблиц 8 × 12: %2, но ни в одной нет оптических плотностей")
                        .arg(fileName)
                        .arg(blocks));
    if (readWellList(lines, plate))
        return plate;
    throw Error(QStringLiteral("В файле «%1» нет таблицы оптических плотностей: ни строки заголовка 1..12 "
                               "со строками A..H, ни строк лунок вида «A1;0,123»")
                    .arg(fileName));
}

QString importDensities(Project& project, const QString& path)
{
    project.ensureUnlocked();
    const ReaderExport plate = parseReaderExport(readFile(path, MaxExportSize), path);

    // As the acquisition does: only the wells the layout uses take a density.
    TextGrid& densities = project.densityTable();
    const TextGrid& layout = project.plateLayout();
    const QChar mark = decimalSeparator();
    int written = 0;
    for (int row = 1; row <= 8; ++row) {
        for (int col = 1; col <= 12; ++col) {
            if (layout.cell(col, row) == Project::EmptyWell)
                continue;
            QString text = plate.densities[size_t(ReaderExport::index(col, row))];
            text.replace(QLatin1Char('.'), mark);
            densities.setCell(col, row, text);
            ++written;
        }
    }
    QStringList empty;
    for (const MarkedWell& m : plate.markedWells) {
        const int row = m.well.at(0).unicode() - 'A' + 1;
        if (layout.cell(m.well.mid(1).toInt(), row) != Project::EmptyWell)
            empty.append(m.text.isEmpty() ? m.well : m.well + QStringLiteral(" «") + m.text + QStringLiteral("»"));
    }

    QStringList message{QStringLiteral("Импорт из файла «%1».").arg(path)};
    if (plate.blocks > 1)
        message.append(QStringLiteral("Взята таблица %1 из %2: первая с оптическими плотностями.")
                           .arg(plate.block)
                           .arg(plate.blocks));
    message.append(written == 0 ? QStringLiteral("Раскладка пуста: плотности не записаны.")
                                : QStringLiteral("Записаны плотности лунок раскладки: %1.").arg(written));
    if (!empty.isEmpty())
        message.append(QStringLiteral("Без числа в файле, оставлены пустыми: %1.").arg(empty.join(QStringLiteral(", "))));
    return message.join(QLatin1Char('\n'));
}

} // namespace pleq::files
