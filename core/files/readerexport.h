#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>

namespace pleq {

class Project;

namespace files {

// A well whose cell holds no number: its name ("A1") and the cell's text
// ("OVRFLW", "Range?", empty for an empty cell or a well the list omits).
struct MarkedWell {
    QString well;
    QString text;
};

// One 8 x 12 plate of optical densities read from a plate reader's text export.
struct ReaderExport {
    static constexpr int Wells = 96;
    // Row by row, A1..A12, B1..H12: the number as the file writes it with
    // "." as the decimal mark, or empty where the cell holds no number.
    std::array<QString, Wells> densities;
    QList<MarkedWell> markedWells; // the empty ones, in the same order
    int block = 1;  // the table taken (1-based) ...
    int blocks = 1; // ... of the tables the file holds
    bool wellList = false; // one line per well ("A1;0,123") rather than a grid

    static int index(int col, int row) { return (row - 1) * 12 + (col - 1); } // col 1..12, row 1..8
    static QString wellName(int col, int row);
};

// Reads the plate from an export's bytes. The encoding is UTF-8 (a BOM or
// none), UTF-16 with its BOM, or else Windows-1251. A grid is a header row
// "1".."12" followed by rows labelled A..H, separated by tabs, semicolons or
// commas; lines around it are ignored, and of several grids the first whose
// cells are densities is taken (a grid of well names or integer codes is not).
// Without a grid, lines "A1;0,123" (or a "Well"/"OD" header) are read. A cell
// that is no number ("OVRFLW", "?????", empty) is an empty well, never 0.
// Throws Error naming `fileName` when the bytes hold no plate.
ReaderExport parseReaderExport(const QByteArray& bytes, const QString& fileName);

// "Импорт ...": reads the export at `path` and writes its densities into the
// wells the layout uses, as the reader acquisition does; the other wells keep
// their texts. Numbers take the decimal separator the grid shows. Returns the
// message for the user: the file, the table taken when there were several,
// the wells written and those left empty. Throws Error (nothing changed) when
// the plate is locked, the file cannot be read or holds no plate.
QString importDensities(Project& project, const QString& path);

} // namespace files
} // namespace pleq
