#include "core/model/densityblock.h"

#include "core/model/project.h"

#include <algorithm>
#include <optional>

namespace pleq {

namespace {

constexpr int LastCol = Project::PlateColumns - 1; // 12
constexpr int LastRow = Project::PlateRows - 1;    // 8, H

const QChar Quote = QLatin1Char('"');

// The quote that closes a quoted cell opened before `from`, or -1.
qsizetype closingQuote(const QString& text, qsizetype from)
{
    for (qsizetype j = from; j < text.size(); ++j) {
        if (text[j] != Quote)
            continue;
        if (j + 1 < text.size() && text[j + 1] == Quote)
            ++j;
        else
            return j;
    }
    return -1;
}

bool isHeaderRow(QStringList row)
{
    if (row.size() == LastCol + 1)
        row.removeFirst(); // the corner cell, whatever it holds
    if (row.size() != LastCol)
        return false;
    for (int i = 0; i < LastCol; ++i)
        if (row[i] != QString::number(i + 1))
            return false;
    return true;
}

// The 8 x 12 densities of a whole plate, its header row and column left off;
// nothing when the block is no whole plate.
std::optional<QList<QStringList>> wholePlate(QList<QStringList> rows)
{
    if (rows.size() == LastRow + 1 && isHeaderRow(rows.first()))
        rows.removeFirst();
    if (rows.size() != LastRow)
        return std::nullopt;
    bool letters = true;
    for (int r = 0; r < LastRow && letters; ++r)
        letters = rows[r].size() == LastCol + 1
                  && rows[r].first().compare(TextGrid::rowLetter(r + 1), Qt::CaseInsensitive) == 0;
    if (letters)
        for (QStringList& row : rows)
            row.removeFirst();
    for (const QStringList& row : rows)
        if (row.size() != LastCol)
            return std::nullopt;
    return rows;
}

// Russian counting: 1 столбец, 2 столбца, 5 столбцов; 21 столбец, 11 столбцов.
QString counted(int n, const char* one, const char* few, const char* many)
{
    const int tens = n % 100;
    const int units = n % 10;
    const char* word = (units == 1 && tens != 11)                               ? one
                       : (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) ? few
                                                                                : many;
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(word);
}

bool singular(int n)
{
    return n % 10 == 1 && n % 100 != 11;
}

bool needsQuotes(const QString& cell)
{
    return cell.startsWith(Quote) || cell.contains(QLatin1Char('\t')) || cell.contains(QLatin1Char(';'))
           || cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
}

} // namespace

QList<QStringList> splitBlock(const QString& text)
{
    const QChar separator = text.contains(QLatin1Char('\t'))  ? QLatin1Char('\t')
                            : text.contains(QLatin1Char(';')) ? QLatin1Char(';')
                                                              : QChar();
    QList<QStringList> rows;
    QStringList row;
    QString cell;
    bool rowBegun = false;
    bool cellStart = true;
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (cellStart && c == Quote) {
            const qsizetype close = closingQuote(text, i + 1);
            if (close >= 0) { // else the quote is an ordinary character
                cell += text.mid(i + 1, close - i - 1).replace(QStringLiteral("\"\""), QStringLiteral("\""));
                i = close + 1;
                rowBegun = true;
                cellStart = false;
                continue;
            }
        }
        cellStart = false;
        if (!separator.isNull() && c == separator) {
            row << cell.trimmed();
            cell.clear();
            cellStart = true;
            rowBegun = true;
            ++i;
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            row << cell.trimmed();
            rows << row;
            row.clear();
            cell.clear();
            cellStart = true;
            rowBegun = false;
            i += c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n') ? 2 : 1;
        } else {
            cell += c;
            rowBegun = true;
            ++i;
        }
    }
    if (rowBegun) {
        row << cell.trimmed();
        rows << row;
    }
    return rows;
}

QString blockText(const TextGrid& grid, int firstCol, int firstRow, int lastCol, int lastRow)
{
    QString text;
    for (int row = firstRow; row <= lastRow; ++row) {
        for (int col = firstCol; col <= lastCol; ++col) {
            if (col > firstCol)
                text += QLatin1Char('\t');
            QString cell = grid.cell(col, row);
            if (needsQuotes(cell))
                cell = Quote + cell.replace(Quote, QStringLiteral("\"\"")) + Quote;
            text += cell;
        }
        text += QLatin1Char('\n');
    }
    return text;
}

PasteResult pasteDensities(Project& project, int col, int row, const QString& text)
{
    project.ensureUnlocked();
    Q_ASSERT(col >= 1 && col <= LastCol && row >= 1 && row <= LastRow);
    QList<QStringList> rows = splitBlock(text);
    if (std::optional<QList<QStringList>> plate = wholePlate(rows)) {
        rows = *plate;
        col = 1;
        row = 1;
    }

    PasteResult result;
    result.col = col;
    result.row = row;
    result.blockRows = int(rows.size());
    for (const QStringList& cells : rows)
        result.blockColumns = std::max(result.blockColumns, int(cells.size()));
    result.rowsCut = std::max(0, result.blockRows - (LastRow + 1 - row));
    result.columnsCut = std::max(0, result.blockColumns - (LastCol + 1 - col));

    TextGrid& densities = project.densityTable();
    for (int r = 0; r < result.blockRows; ++r) {
        for (int c = 0; c < rows[r].size(); ++c) {
            const int wellCol = col + c;
            const int wellRow = row + r;
            if (wellCol > LastCol || wellRow > LastRow) {
                ++result.cellsCut;
                continue;
            }
            result.previous.append({wellCol, wellRow, densities.cell(wellCol, wellRow)});
            densities.setCell(wellCol, wellRow, rows[r][c]);
        }
    }
    return result;
}

QString pasteMessage(const PasteResult& result)
{
    if (result.cellsCut == 0)
        return {};
    QStringList parts;
    if (result.columnsCut > 0)
        parts << counted(result.columnsCut, "столбец", "столбца", "столбцов") + QStringLiteral(" справа");
    if (result.rowsCut > 0)
        parts << counted(result.rowsCut, "строка", "строки", "строк") + QStringLiteral(" снизу");
    // One part of one column or row takes the verb in its gender.
    QString verb = QStringLiteral("не поместились");
    if (parts.size() == 1 && result.columnsCut > 0 && singular(result.columnsCut))
        verb = QStringLiteral("не поместился");
    else if (parts.size() == 1 && result.rowsCut > 0 && singular(result.rowsCut))
        verb = QStringLiteral("не поместилась");
    return QStringLiteral("Вставлено %1 × %2 из %3 × %4; %5 %6 на планшет (%7).")
        .arg(result.blockRows - result.rowsCut)
        .arg(result.blockColumns - result.columnsCut)
        .arg(result.blockRows)
        .arg(result.blockColumns)
        .arg(parts.join(QStringLiteral(" и ")), verb, counted(result.cellsCut, "ячейка", "ячейки", "ячеек"));
}

QList<WellText> clearDensityCells(Project& project, const QList<QPoint>& wells)
{
    project.ensureUnlocked();
    TextGrid& densities = project.densityTable();
    QList<WellText> previous;
    for (const QPoint& well : wells) {
        if (well.x() < 1 || well.x() > LastCol || well.y() < 1 || well.y() > LastRow)
            continue;
        previous.append({well.x(), well.y(), densities.cell(well.x(), well.y())});
        densities.setCell(well.x(), well.y(), QString());
    }
    return previous;
}

void restoreDensityCells(Project& project, const QList<WellText>& wells)
{
    project.ensureUnlocked();
    TextGrid& densities = project.densityTable();
    // Backwards, so that a well named twice gets the text it had first.
    for (auto well = wells.crbegin(); well != wells.crend(); ++well)
        if (well->col >= 1 && well->col <= LastCol && well->row >= 1 && well->row <= LastRow)
            densities.setCell(well->col, well->row, well->text);
}

} // namespace pleq
