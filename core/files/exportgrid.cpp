#include "core/files/exportgrid.h"

#include "core/model/errors.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace pleq::files::exporttext {

namespace {

bool isColumnNumber(const QString& field, int n)
{
    return field == QString::number(n)
           || (n < 10 && field.size() == 2 && field.at(0) == QLatin1Char('0') && field.at(1).unicode() == '0' + n);
}

// A header row: its separator, the field of "1" of each run 1..12 and the
// last number of the longest run (past 12 for a larger plate).
struct Header {
    QChar sep;
    QStringList fields;
    QList<qsizetype> runs;
    int columns = 12;
};

std::optional<Header> headerRow(const QString& line)
{
    for (const QChar sep : Separators) {
        if (!line.contains(sep))
            continue;
        Header h{sep, splitFields(line, sep), {}, 12};
        for (qsizetype k = 0; k + 12 <= h.fields.size();) {
            int n = 1;
            while (n <= 12 && isColumnNumber(h.fields.at(k + n - 1), n))
                ++n;
            if (n <= 12) {
                ++k;
                continue;
            }
            int last = 12;
            while (k + last < h.fields.size() && isColumnNumber(h.fields.at(k + last), last + 1))
                ++last;
            h.columns = std::max(h.columns, last);
            h.runs.append(k);
            k += last;
        }
        if (!h.runs.isEmpty())
            return h;
    }
    return std::nullopt;
}

// Where a table's rows hold their label and values.
struct Geometry {
    qsizetype labelField;
    QList<qsizetype> firstValue; // of each run
    qsizetype end;               // the field after the last value: a line's label from here on
};

Geometry geometry(const Header& h)
{
    // Without a label above them the row letters stand in the first field.
    const qsizetype shift = h.runs.first() == 0 ? 1 : 0;
    Geometry g{h.runs.first() + shift - 1, {}, h.runs.last() + shift + 12};
    for (const qsizetype k : h.runs)
        g.firstValue.append(k + shift);
    return g;
}

bool blank(const QString& line)
{
    return line.trimmed().isEmpty();
}

bool emptyBefore(const QStringList& fields, qsizetype n)
{
    for (qsizetype i = 0; i < n && i < fields.size(); ++i) {
        if (!fields.at(i).isEmpty())
            return false;
    }
    return true;
}

bool hasLetter(const QString& text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// A read's label at a line's end: a name ("Blank 630nmAbsRead:630") or a
// wavelength alone ("280", "260:280", "450 nm").
bool readLabel(const QString& text)
{
    static const QRegularExpression wavelength(QStringLiteral("^\\d{3}([:/-]\\d{3})?(\\s*nm)?$"));
    return hasLetter(text) || wavelength.match(text).hasMatch();
}

QString lineLabel(const QStringList& fields, qsizetype end)
{
    for (qsizetype i = end; i < fields.size(); ++i) {
        if (!fields.at(i).isEmpty())
            return fields.at(i);
    }
    return {};
}

// The rows under a header, each row as its lines split into fields.
struct Block {
    QList<QList<QStringList>> rows;
    qsizetype next = 0; // the line after the block
};

// Rows labelled A, B, ... (blank lines between them skipped), each followed by
// lines of other reads when row A is; counted on past H for a larger plate.
Block letteredRows(const QStringList& lines, qsizetype i, QChar sep, const Geometry& g)
{
    Block b;
    bool subRows = false;
    while (i < lines.size()) {
        if (blank(lines.at(i))) {
            ++i;
            continue;
        }
        const QStringList f = splitFields(lines.at(i), sep);
        const QString letter = f.value(g.labelField);
        if (rowNumber(letter) == b.rows.size() + 1) {
            b.rows.append({f});
            ++i;
            continue;
        }
        // A read's line ends with its label ("Blank 630nmAbsRead:630").
        const bool readLine =
            !b.rows.isEmpty() && letter.isEmpty() && emptyBefore(f, g.labelField) && readLabel(lineLabel(f, g.end));
        if (readLine && (subRows || b.rows.size() == 1)) {
            subRows = true;
            b.rows.last().append(f);
            ++i;
            continue;
        }
        break;
    }
    b.next = i;
    return b;
}

// Lines without letters right under a header whose cell before "1" names a
// column ("Temperature(°C)"): empty before that column, a number or nothing
// in it. Counted on past eight for a larger plate.
Block unletteredRows(const QStringList& lines, qsizetype i, QChar sep, const Geometry& g)
{
    const auto values = [&](const QStringList& f) {
        for (qsizetype v = g.firstValue.first(); v < f.size(); ++v) {
            if (!f.at(v).isEmpty())
                return true;
        }
        return false;
    };
    Block b;
    while (i < lines.size()) {
        const QStringList f = splitFields(lines.at(i), sep);
        const QString lead = f.value(g.labelField);
        // The first row's cell under the column's name holds its reading ("24.8"),
        // or a mark where the instrument had none ("NaN").
        const CellKind leadKind = readCell(lead).kind;
        const bool leadFits =
            lead.isEmpty() || leadKind == CellKind::Number || (b.rows.isEmpty() && leadKind == CellKind::Marker);
        if (!emptyBefore(f, g.labelField) || !leadFits || (f.size() < g.end && !values(f)))
            break;
        b.rows.append({f});
        ++i;
    }
    // Lines of empty cells after the eighth row are no rows of a larger plate.
    while (b.rows.size() > 8 && !values(b.rows.last().first()))
        b.rows.removeLast();
    b.next = i;
    return b;
}

std::optional<Block> rowsAfter(const QStringList& lines, qsizetype header, const Header& h, const Geometry& g)
{
    qsizetype i = header + 1;
    while (i < lines.size() && blank(lines.at(i)))
        ++i;
    if (i >= lines.size())
        return std::nullopt;
    if (rowNumber(splitFields(lines.at(i), h.sep).value(g.labelField)) == 1)
        return letteredRows(lines, i, h.sep, g);
    // An empty row A stands as a line of separators: the rows start right under the header.
    if (hasLetter(h.fields.value(g.labelField))) {
        Block b = unletteredRows(lines, header + 1, h.sep, g);
        if (!b.rows.isEmpty())
            return b;
    }
    return std::nullopt;
}

QString quotedList(const QStringList& labels)
{
    QStringList quoted;
    for (const QString& l : labels)
        quoted.append(QStringLiteral("«%1»").arg(l));
    return quoted.join(QStringLiteral(", "));
}

// One table per read (line label) and per run of the header.
QList<FoundTable> tablesOf(const Block& b, const Geometry& g, const QString& context, qsizetype headerLine,
                           const QString& fileName)
{
    const bool subRows = b.rows.first().size() > 1;
    QStringList labels;
    for (const QStringList& f : b.rows.first())
        labels.append(subRows ? lineLabel(f, g.end) : context);
    if (subRows) {
        for (int row = 2; row <= 8; ++row) {
            QStringList own;
            for (const QStringList& f : b.rows.at(row - 1))
                own.append(lineLabel(f, g.end));
            if (own != labels)
                throw Error(QStringLiteral("В файле «%1» строки таблицы под заголовком в строке %2 подписаны "
                                           "по-разному: у A %3, у %4 %5; какие числа к какому чтению относятся, "
                                           "не ясно")
                                .arg(fileName, QString::number(headerLine + 1), quotedList(labels), rowLetters(row),
                                     quotedList(own)));
        }
        for (qsizetype j = 0; j < labels.size(); ++j) {
            if (labels.indexOf(labels.at(j)) != j)
                throw Error(QStringLiteral("В файле «%1» в таблице под заголовком в строке %2 чтение «%3» "
                                           "повторяется в каждой строке: у лунки несколько чисел одного чтения")
                                .arg(fileName, QString::number(headerLine + 1), labels.at(j)));
        }
    }
    const qsizetype runs = g.firstValue.size();
    QList<FoundTable> tables;
    for (qsizetype j = 0; j < labels.size(); ++j) {
        for (qsizetype r = 0; r < runs; ++r) {
            WellCells cells;
            for (int row = 1; row <= 8; ++row) {
                const QStringList& f = b.rows.at(row - 1).at(j);
                for (int col = 1; col <= 12; ++col) {
                    const auto i = size_t(index(col, row));
                    cells.text[i] = f.value(g.firstValue.at(r) + col - 1);
                    cells.present[i] = true;
                }
            }
            FoundTable t;
            t.label = labels.at(j);
            if (runs > 1)
                t.label = (t.label.isEmpty() ? QString() : t.label + QStringLiteral(", "))
                          + QStringLiteral("столбцы 1..12 № %1").arg(r + 1);
            t.densities = holdsDensities(cells);
            t.line = headerLine;
            t.repeats = {cells};
            t.repeatLabels = {QString()};
            tables.append(t);
        }
    }
    return tables;
}

// The nearest line within ten above a table, after the one before it, that
// names a plate ("Plate name: Plate01", "Планшет 2"): its text.
QString plateName(const QStringList& lines, qsizetype from, qsizetype header)
{
    static const QRegularExpression plate(QStringLiteral("^(plate|планшет)"),
                                          QRegularExpression::CaseInsensitiveOption
                                              | QRegularExpression::UseUnicodePropertiesOption);
    for (qsizetype j = header - 1; j >= from && j >= header - 10; --j) {
        const QString label = labelOf(lines.at(j));
        if (plate.match(label).hasMatch())
            return label;
    }
    return {};
}

// The fields of a line of row `row` with twelve values after its letter, or none.
std::optional<QStringList> headlessRow(const QString& line, QChar sep, int row)
{
    QStringList f = splitFields(line, sep);
    while (f.size() > 13 && f.last().isEmpty())
        f.removeLast();
    if (f.size() != 13 || rowNumber(f.first()) != row || f.first().size() != 1)
        return std::nullopt;
    return f;
}

// Rows A..H, each its letter and twelve values, one after another with no
// header 1..12 above them (older exports), and no row I after H.
QList<FoundTable> headlessGrids(const QStringList& lines)
{
    QList<FoundTable> tables;
    for (qsizetype i = 0; i + 8 <= lines.size(); ++i) {
        for (const QChar sep : Separators) {
            if (!headlessRow(lines.at(i), sep, 1))
                continue;
            WellCells cells;
            int row = 1;
            for (; row <= 8; ++row) {
                const auto f = headlessRow(lines.at(i + row - 1), sep, row);
                if (!f)
                    break;
                for (int col = 1; col <= 12; ++col) {
                    const auto at = size_t(index(col, row));
                    cells.text[at] = f->at(col);
                    cells.present[at] = true;
                }
            }
            if (row <= 8 || (i + 8 < lines.size() && headlessRow(lines.at(i + 8), sep, 9)))
                continue;
            FoundTable t;
            for (qsizetype j = i - 1; j >= 0 && j >= i - 3; --j) {
                if (!blank(lines.at(j))) {
                    t.label = labelOf(lines.at(j));
                    break;
                }
            }
            t.densities = holdsDensities(cells);
            t.line = i;
            t.repeats = {cells};
            t.repeatLabels = {QString()};
            tables.append(t);
            i += 7;
            break;
        }
    }
    return tables;
}

} // namespace

QList<FoundTable> findGrids(const QStringList& lines, const QString& fileName)
{
    QList<FoundTable> tables;
    QStringList plates; // the plate name above each table, or empty
    qsizetype previousEnd = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const auto header = headerRow(lines.at(i));
        if (!header)
            continue;
        const Geometry g = geometry(*header);
        const std::optional<Block> block = rowsAfter(lines, i, *header, g);
        if (!block)
            continue;
        const auto rows = int(block->rows.size());
        if (rows > 8 || header->columns > 12) {
            // Rows cut short (a plate's rows split over lines) still make a plate of its columns' size.
            const int plateRows = header->columns == 24   ? std::max(rows, 16)
                                  : header->columns == 48 ? std::max(rows, 32)
                                                          : rows;
            throw Error(otherSizeMessage(fileName, QStringLiteral("в строке %1 таблица").arg(i + 1), plateRows,
                                         header->columns));
        }
        if (rows < 8)
            continue;
        // A table is named by the text above it ("450 nm"), if any.
        QString context;
        for (qsizetype j = i - 1; j >= previousEnd && j >= i - 3; --j) {
            if (!blank(lines.at(j))) {
                context = labelOf(lines.at(j));
                break;
            }
        }
        const QList<FoundTable> found = tablesOf(*block, g, context, i, fileName);
        const QString plate = plateName(lines, previousEnd, i);
        for (qsizetype t = 0; t < found.size(); ++t)
            plates.append(plate);
        tables += found;
        previousEnd = block->next;
        i = block->next - 1;
    }
    // Tables whose labels are alike ("450 nm" on each plate) or empty are named by their plates.
    QStringList labels;
    for (const FoundTable& t : tables)
        labels.append(t.label);
    for (qsizetype t = 0; t < tables.size(); ++t) {
        const QString& plate = plates.at(t);
        if (plate.isEmpty() || (!labels.at(t).isEmpty() && labels.count(labels.at(t)) == 1)
            || labels.at(t).contains(plate))
            continue;
        tables[t].label = labels.at(t).isEmpty() ? plate : plate + QStringLiteral(", ") + labels.at(t);
    }
    if (tables.isEmpty())
        tables = headlessGrids(lines);
    return tables;
}

} // namespace pleq::files::exporttext
