#include "core/files/exportlist.h"

#include "core/model/errors.h"

#include <QHash>
#include <QRegularExpression>

#include <cctype>
#include <optional>

namespace pleq::files::exporttext {

namespace {

struct WellAt {
    int row;
    int col;
    bool onPlate() const { return row <= 8 && col <= 12; }
};

// "A1", "a01", "P24", "AF48": a well of a plate of up to 32 × 48. Read by
// hand: every field of every line is tried.
std::optional<WellAt> wellAt(const QString& text)
{
    const auto latinLetter = [](QChar c) { return c.toLatin1() != 0 && std::isalpha(c.toLatin1()); };
    qsizetype letters = 0;
    while (letters < text.size() && letters < 3 && latinLetter(text.at(letters)))
        ++letters;
    if (letters == 0 || letters > 2 || text.size() - letters > 3 || text.size() == letters)
        return std::nullopt;
    int col = 0;
    for (qsizetype i = letters; i < text.size(); ++i) {
        if (text.at(i) < QLatin1Char('0') || text.at(i) > QLatin1Char('9'))
            return std::nullopt;
        col = col * 10 + (text.at(i).unicode() - '0');
    }
    // Zero-padded ("A01"), but at most two digits of the number itself ("A001" is none).
    if (text.size() - letters == 3 && text.at(letters) != QLatin1Char('0'))
        return std::nullopt;
    const int row = rowNumber(text.left(letters));
    if (row == 0 || col < 1 || col > 48)
        return std::nullopt;
    return WellAt{row, col};
}

// The wells past H12 a file lists: the first named, the extent counted.
struct Outside {
    QString first;
    int rows = 0;
    int cols = 0;

    void add(const QString& name, WellAt w)
    {
        if (first.isEmpty())
            first = name;
        rows = std::max(rows, w.row);
        cols = std::max(cols, w.col);
    }
    void refuse(const QString& fileName) const
    {
        if (first.isEmpty())
            return;
        const bool plate384 = rows <= 16 && cols <= 24;
        throw Error(otherSizeMessage(fileName, QStringLiteral("лунка %1 из списка").arg(first), plate384 ? 16 : 32,
                                     plate384 ? 24 : 48));
    }
};

// A repeat that holds no number (an empty line, the next table's title under
// the wells) is no read of the plate: taken, it would write nothing. Nor is a
// line of results after the reads ("Max V", "R-Squared", "Mean").
void dropRepeatsWithoutNumbers(FoundTable& t)
{
    for (qsizetype r = t.repeats.size() - 1; r >= 0 && t.repeats.size() > 1; --r) {
        const WellCells& cells = t.repeats.at(r);
        bool number = false;
        for (size_t i = 0; i < Wells && !number; ++i)
            number = cells.present[i] && readCell(cells.text[i]).kind == CellKind::Number;
        const ReadKind kind = readKind(t.repeatLabels.at(r));
        if (!number || (kind != ReadKind::Unknown && kind != ReadKind::RawAbsorbance)) {
            t.repeats.removeAt(r);
            t.repeatLabels.removeAt(r);
        }
    }
}

// A header of wells as columns: the field of A1, followed by wells only.
std::optional<qsizetype> wellColumnsStart(const QStringList& fields)
{
    qsizetype first = -1;
    for (qsizetype i = 0; i < fields.size(); ++i) {
        const auto w = wellAt(fields.at(i));
        if (w && w->row == 1 && w->col == 1) {
            first = i;
            break;
        }
    }
    if (first < 0)
        return std::nullopt;
    qsizetype wells = 0;
    for (qsizetype i = first; i < fields.size(); ++i) {
        if (wellAt(fields.at(i)))
            ++wells;
        else if (!fields.at(i).isEmpty())
            return std::nullopt;
    }
    if (wells < 12)
        return std::nullopt;
    return first;
}

// Wells as columns, a line of values per read.
std::optional<FoundTable> wellsAsColumns(const QStringList& lines, const QString& fileName)
{
    for (qsizetype h = 0; h < lines.size(); ++h) {
        if (!lines.at(h).contains(QLatin1String("A1"), Qt::CaseInsensitive)
            && !lines.at(h).contains(QLatin1String("A01"), Qt::CaseInsensitive))
            continue;
        const QChar sep = separatorOf(lines.at(h));
        const QStringList header = splitFields(lines.at(h), sep);
        const std::optional<qsizetype> start = wellColumnsStart(header);
        if (!start)
            continue;
        Outside outside;
        for (qsizetype i = *start; i < header.size(); ++i) {
            const auto w = wellAt(header.at(i));
            if (w && !w->onPlate())
                outside.add(header.at(i), *w);
        }
        outside.refuse(fileName);

        FoundTable t;
        t.wellList = true;
        t.line = h;
        for (qsizetype l = h + 1; l < lines.size(); ++l) {
            const QStringList f = splitFields(lines.at(l), sep);
            if (lines.at(l).trimmed().isEmpty() || f.size() <= *start || readCell(f.at(*start)).kind == CellKind::Label)
                break;
            WellCells cells;
            for (qsizetype i = *start; i < header.size(); ++i) {
                const auto w = wellAt(header.at(i));
                if (!w)
                    continue;
                const auto at = size_t(index(w->col, w->row));
                if (cells.present[at])
                    throw Error(QStringLiteral("В файле «%1» лунка %2 дважды в заголовке строки %3")
                                    .arg(fileName, wellName(w->col, w->row), QString::number(h + 1)));
                cells.present[at] = true;
                cells.text[at] = f.value(i);
            }
            // A read is named by the fields before the wells ("Time 0:00:30").
            QStringList label;
            for (qsizetype i = 0; i < *start; ++i) {
                if (!f.at(i).isEmpty())
                    label.append((header.at(i).isEmpty() ? QString() : header.at(i) + QLatin1Char(' ')) + f.at(i));
            }
            t.repeats.append(cells);
            t.repeatLabels.append(label.isEmpty() ? QStringLiteral("строка %1").arg(l + 1)
                                                  : label.join(QStringLiteral(", ")));
        }
        dropRepeatsWithoutNumbers(t);
        if (t.repeats.isEmpty())
            continue;
        t.densities = holdsDensities(t.repeats.first());
        return t;
    }
    return std::nullopt;
}

// The columns of a part of a well list, set by its header line.
struct Columns {
    qsizetype well = 0;
    QList<std::pair<qsizetype, QString>> values{{1, QString()}}; // field and name of each density column
    qsizetype repeat = -1;
    QString repeatName;
    bool headed = false;
    qsizetype line = 0; // the header's
};

std::optional<Columns> headerColumns(const QStringList& fields, QString& wellsWithoutDensities)
{
    static const QRegularExpression densityColumn(
        QStringLiteral("^((od|o\\.d\\.|оп|abs|absorbance)($|[\\s\\d\\-_:@(.\\[]).*|optical density.*|"
                       "оптическая плотность.*|raw data.*|a\\s?\\d{3}(\\s*nm)?)$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    static const QRegularExpression repeatColumn(QStringLiteral("^(repeat|cycle|kinetic|time|повтор|цикл|время)\\b.*"),
                                                 QRegularExpression::CaseInsensitiveOption
                                                     | QRegularExpression::UseUnicodePropertiesOption);
    static const QStringList wellColumns{QStringLiteral("well"),          QStringLiteral("wells"),
                                         QStringLiteral("well position"), QStringLiteral("plate position"),
                                         QStringLiteral("лунка"),         QStringLiteral("лунки")};
    qsizetype well = -1;
    for (qsizetype i = 0; i < fields.size() && well < 0; ++i) {
        if (wellColumns.contains(fields.at(i), Qt::CaseInsensitive))
            well = i;
    }
    if (well < 0)
        return std::nullopt;
    Columns c;
    c.well = well;
    c.headed = true;
    c.values.clear();
    for (qsizetype i = 0; i < fields.size(); ++i) {
        if (i == well)
            continue;
        if (densityColumn.match(fields.at(i)).hasMatch())
            c.values.append({i, fields.at(i)});
        else if (c.repeat < 0 && repeatColumn.match(fields.at(i)).hasMatch()) {
            c.repeat = i;
            c.repeatName = fields.at(i);
        }
    }
    if (c.values.isEmpty() && wellsWithoutDensities.isEmpty())
        wellsWithoutDensities = fields.at(well);
    return c;
}

// One line per well, in parts under header lines.
QList<FoundTable> wellLines(const QStringList& lines, const QString& fileName)
{
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    QList<FoundTable> tables;
    QList<std::array<int, Wells>> listed; // per table: how often each well came so far
    QHash<QString, qsizetype> tableOf;
    QString wellsWithoutDensities;
    Outside outside;
    Columns columns;
    for (qsizetype l = 0; l < lines.size(); ++l) {
        const QString& line = lines.at(l);
        const QChar sep = separatorOf(line);
        const QStringList fields = splitFields(line, sep);
        if (const auto header = headerColumns(fields, wellsWithoutDensities)) {
            columns = *header;
            columns.line = l;
            continue;
        }
        const QString name = fields.value(columns.well);
        const auto w = wellAt(name);
        if (!w)
            continue;
        if (!w->onPlate()) {
            // Without a header a line names a well when a value follows it.
            if (columns.headed || readCell(fields.value(1)).kind != CellKind::Label)
                outside.add(name, *w);
            continue;
        }
        const auto at = size_t(index(w->col, w->row));
        for (const auto& [field, columnName] : columns.values) {
            qsizetype t = tableOf.value(columnName, -1);
            if (t < 0) {
                t = tables.size();
                tableOf.insert(columnName, t);
                FoundTable table;
                table.label = columnName;
                table.wellList = true;
                table.line = columns.headed ? columns.line : l;
                tables.append(table);
                listed.append(std::array<int, Wells>{});
            }
            FoundTable& table = tables[t];
            const int repeat = listed[t][at]++;
            if (repeat == table.repeats.size()) {
                table.repeats.append(WellCells{});
                table.repeatLabels.append(columns.repeat >= 0
                                              ? columns.repeatName + QLatin1Char(' ') + fields.value(columns.repeat)
                                              : QStringLiteral("повтор %1").arg(repeat + 1));
            }
            WellCells& cells = table.repeats[repeat];
            cells.present[at] = true;
            cells.text[at] = fields.value(field);
            // "A1,0,123": a decimal comma that the comma separator split.
            if (columns.values.size() == 1 && sep == QLatin1Char(',') && fields.size() == field + 2
                && digits.match(cells.text[at]).hasMatch() && digits.match(fields.last()).hasMatch())
                cells.text[at] += QLatin1Char('.') + fields.last();
        }
    }
    outside.refuse(fileName);
    if (tables.isEmpty() && !wellsWithoutDensities.isEmpty())
        throw Error(QStringLiteral("В файле «%1» список лунок (столбец «%2») без столбца оптических плотностей "
                                   "(OD, Abs, A450, Absorbance, Raw Data)")
                        .arg(fileName, wellsWithoutDensities));
    for (FoundTable& t : tables) {
        dropRepeatsWithoutNumbers(t);
        for (size_t i = 0; i < Wells && !t.densities; ++i)
            t.densities = t.repeats.first().present[i] && readCell(t.repeats.first().text[i]).kind == CellKind::Number;
    }
    return tables;
}

} // namespace

QList<FoundTable> findWellLists(const QStringList& lines, const QString& fileName)
{
    if (std::optional<FoundTable> wide = wellsAsColumns(lines, fileName))
        return {*wide};
    return wellLines(lines, fileName);
}

} // namespace pleq::files::exporttext
