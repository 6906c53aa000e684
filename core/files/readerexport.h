#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace pleq {

class Project;

namespace files {

// A well the file holds whose cell holds no number: its name ("A1") and the
// cell's text ("OVRFLW", "Range?", empty for an empty cell).
struct MarkedWell {
    QString well;
    QString text;
};

// Why the table taken was taken.
enum class TableTaken {
    Only,           // the one table of densities the file holds
    OnlyRaw,        // the only raw absorbance read of several reads
    OnlyAbsorbance, // the only table of densities, the others being other measurements
    Chosen,         // the one the user chose
};

// One 8 x 12 plate of optical densities read from a plate reader's text export.
struct ReaderExport {
    static constexpr int Wells = 96;
    // Row by row, A1..A12, B1..H12: the number as the file writes it with
    // "." as the decimal mark, or empty where the cell holds no number.
    std::array<QString, Wells> densities;
    QList<MarkedWell> markedWells; // held by the file without a number, in the same order
    QStringList absentWells;       // not held by the file (a list that omits them), in the same order
    int block = 1;                 // the table taken (1-based) ...
    int blocks = 1;                // ... of the tables the file holds
    QString label; // the table's label in the file ("450 nm", "630nmAbsRead:630", "OD450"), may be empty
    TableTaken taken = TableTaken::Only;
    bool reduced = false; // values less a blank or a reference, taken by the user's choice
    int repeat = 0; // the repeat taken (1-based) of `repeats`, 0 when each well has one value
    int repeats = 0;
    QString repeatLabel;   // "Repeat 3", "Time 0:01:30", "повтор 3"
    bool wellList = false; // one line per well ("A1;0,123") rather than a grid

    static int index(int col, int row) { return (row - 1) * 12 + (col - 1); } // col 1..12, row 1..8
    static QString wellName(int col, int row);
};

// One table (or read) an export offers.
struct ExportTable {
    QString label;              // as the file names it; may be empty
    bool densities = false;     // holds optical densities: only such a table can be taken
    bool rawAbsorbance = false; // its label names a raw absorbance read
    bool reduced = false;       // values less a blank or a reference, offered only where no raw read is
    QString holds;              // what a table of numbers that is not offered holds ("флуоресценция")
    QStringList repeats;        // the labels of the repeats when each well is listed several times, else empty
};

// What an export offers to import, for the user to choose from.
struct ExportContents {
    QList<ExportTable> tables; // table N is tables[N - 1]
    int defaultTable = 0;      // the one taken without a choice; 0 when the user must choose
    bool wellList = false;
};

// The user's choice; 0 takes the default (a table) or none (a repeat).
struct ImportChoice {
    int table = 0;
    int repeat = 0;
};

// The tables an export offers. The encoding is UTF-8 (a BOM or none), UTF-16
// with its BOM, or else Windows-1251; fields are separated by tabs,
// semicolons or commas, and lines around the tables are ignored. Shapes:
// - a header row "1".."12" (or "01".."12") and rows A..H; each row may be
//   followed by lines of other reads, every line ending with its read's label
//   ("630nmAbsRead:630", "Blank 630nmAbsRead:630", "[Concentration]"): one
//   table per read;
// - a header "\tTemperature(°C)\t1..12" and eight rows without letters: A..H;
// - without such a table, a list of wells: lines "A1;0,123", a header with a
//   well column ("Well", "Wells", "Well Position", "Plate Position") and
//   density columns ("OD", "OD450", "A450", "Absorbance @ 450 (A)",
//   "Raw Data (450)", one table each), or the wells as columns of a header
//   with a line of values under it per read. A well listed several times has
//   several repeats.
// Only an absorbance read is offered (its label's words, else the measurement
// the file declares above it): never fluorescence, luminescence, calculated
// values, concentrations or curve fits; values less a blank or a reference
// only when the file holds no raw read, and never as the default. Without a
// choice the default is the one table offered, else none.
// Throws Error naming `fileName` when the bytes hold no plate of densities,
// or a plate of another size (a header past 12, a row past H, a well past H12).
ExportContents readerExportContents(const QByteArray& bytes, const QString& fileName);

// Reads the plate from an export's bytes, the table and repeat of `choice`.
// A cell that is no number ("OVRFLW", "?????", empty) is an empty well, never 0.
// Throws Error naming `fileName` as readerExportContents does, and when a
// table must be chosen and was not, or each well holds several values and no
// repeat was chosen, or the choice names none the file holds.
ReaderExport parseReaderExport(const QByteArray& bytes, const QString& fileName, ImportChoice choice = {});

// "2 «630nmAbsRead:630»", "1 (без подписи)": table or repeat n as messages
// and choices name it.
QString numbered(int n, const QString& label);

// readerExportContents of the file at `path`, for a window to offer the choice.
ExportContents readReaderExportContents(const QString& path);

// "Импорт ...": reads the export at `path` (the table and repeat of `choice`)
// and writes its densities into the wells the layout uses, as the reader
// acquisition does: a layout well without a number in the file is emptied;
// the other wells keep their texts. Numbers take the decimal separator the
// grid shows. Returns the message for the user: the file, the table and
// repeat taken, the wells written, the wells left empty for want of a number
// and those the file does not hold. Throws Error (nothing changed) when the
// plate is locked, the file cannot be read, holds no plate or needs a choice.
QString importDensities(Project& project, const QString& path, ImportChoice choice = {});

} // namespace files
} // namespace pleq
