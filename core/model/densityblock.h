#pragma once

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

namespace pleq {

class Project;
class TextGrid;

// A block of cells as a spreadsheet or a text editor puts it on the
// clipboard: rows by CR LF, LF or CR (a newline at the end starts no row),
// cells by tab, or by ";" when the text holds no tab. A cell in double quotes
// may hold separators and newlines ("" stands for one quote). Every cell is
// trimmed of the blanks around it. Rows may differ in length.
QList<QStringList> splitBlock(const QString& text);

// The cells from first to last (plate columns and rows, both corners
// included) as a block: rows by LF, cells by tab, a cell that holds a
// separator, a newline or begins with a quote in quotes, so that splitBlock
// gives the same cells back.
QString blockText(const TextGrid& grid, int firstCol, int firstRow, int lastCol, int lastRow);

// A density well and its text.
struct WellText {
    int col = 0; // 1..12
    int row = 0; // 1..8, A..H
    QString text;
    bool operator==(const WellText&) const = default;
};

// What a paste did: where the block went, how much of it stands on the plate
// and how much of it was cut at the plate's right and bottom edges.
struct PasteResult {
    int col = 0; // the block's first well
    int row = 0;
    int blockRows = 0; // the block without a recognised header row or column
    int blockColumns = 0;
    int rowsCut = 0;          // block rows below row H
    int columnsCut = 0;       // block columns right of column 12
    int cellsCut = 0;         // cells of the block left off the plate
    QList<WellText> previous; // the wells written, with their texts before
};

// Pastes a block (splitBlock) into the densities from the well at col, row,
// as the texts stand. A whole plate, 8 rows of 12 cells, with or without a
// header row "1".."12" and a first column "A".."H", goes to A1 whichever well
// is current; its headers are not written. What falls past the plate's edge
// is cut and counted. Refused while the plate is locked.
PasteResult pasteDensities(Project& project, int col, int row, const QString& text);

// "Вставлено 8 × 9 из 8 × 12; 3 столбца справа не поместились на планшет
// (24 ячейки)."; empty when nothing was cut.
QString pasteMessage(const PasteResult& result);

// Empties the density wells given as (column, row); points off the wells
// (the headers) are skipped. Returns the wells emptied with their texts
// before. Refused while the plate is locked.
QList<WellText> clearDensityCells(Project& project, const QList<QPoint>& wells);

// Writes the texts back into their density wells (the undo of a paste or a
// clear). Refused while the plate is locked.
void restoreDensityCells(Project& project, const QList<WellText>& wells);

} // namespace pleq
