#pragma once

// The text of a plate reader's export as the import's shapes read it: lines,
// fields, cells, well names, and the tables the shapes find. Internal to the
// import (core/files/readerexport*, exportgrid, exportlist).

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>

namespace pleq::files::exporttext {

constexpr int Wells = 96;

// Tabs, semicolons, commas, in the order a line is tried with them.
extern const QChar Separators[3];

// UTF-8 (a BOM or none), UTF-16 with its BOM, else Windows-1251; split into lines.
QStringList lines(const QByteArray& bytes);

// Fields split at `sep`; a double-quoted field may hold it ("0,123" in a CSV).
QStringList splitFields(const QString& line, QChar sep);

// The first separator the line holds, a comma when none.
QChar separatorOf(const QString& line);

enum class CellKind { Number, Marker, Label };

struct Cell {
    CellKind kind;
    QString number; // with "." as the mark, for a Number
};

// A number ("0,123", "1.5E-1"), an instrument's marker ("OVRFLW", "?????") or
// a name ("S1").
Cell readCell(const QString& text);

// Row 1..8, column 1..12 to 0..95, row by row.
inline int index(int col, int row)
{
    return (row - 1) * 12 + (col - 1);
}
QString wellName(int col, int row);

// "A".."Z", "AA".."AF": the row letters of plates up to 32 rows.
QString rowLetters(int row);
// 1..32 for "A".."AF" (either case), 0 for anything else.
int rowNumber(const QString& letters);

// "В файле «F» ...: планшет R × C (N лунок) ..." for a plate of another size.
QString otherSizeMessage(const QString& fileName, const QString& where, int rows, int columns);

// A line's text as a label: its fields joined by blanks, at most 60 characters.
QString labelOf(const QString& line);

// A label that names a raw absorbance read ("630nmAbsRead:630", "od:600",
// "OD450", "A450", "Raw Data (450)", "450 nm"), not a corrected, calculated
// or other-mode one ("Blank 630nmAbsRead:630", "[Concentration]", "fluor:579,616").
bool isRawAbsorbance(const QString& label);

// What a table's own label says it holds.
enum class ReadKind {
    Unknown,       // no word of its kind ("Cycle 1", no label): the file's measurement says
    RawAbsorbance, // a raw absorbance read: "630nmAbsRead:630", "OD450", "450 nm"
    Reduced,       // absorbance less a blank or a reference: "Blank 450", "Reduced (450-650)"
    Fluorescence,
    Luminescence,
    Calculated,    // ratios, means, "Calculated results"
    Concentration, // "[Concentration]", "Conc/Dil"
    CurveFit,      // "Max V", "R-Squared", "Slope"
};

// The kind a table's label names; a raw absorbance only with a word of
// absorbance or a wavelength and nothing of another kind.
ReadKind readKind(const QString& label);

// The measurement a line of the file's own text declares ("Fluorescence (FI)",
// "Read Absorbance Endpoint"): Fluorescence, Luminescence, RawAbsorbance for
// absorbance, or Unknown for a line that names none or more than one.
ReadKind declaredMeasurement(const QString& line);

// A label with a word of absorbance itself ("Abs", "OD", "A450"), not only
// "Raw Data" or a wavelength, which a fluorescence read's label may hold too.
bool namesAbsorbance(const QString& label);

// "флуоресценция", "значения за вычетом бланка или референса": a kind as messages name it.
QString kindName(ReadKind kind);

// The values one read gives the wells: the cell's text where the file holds the well.
struct WellCells {
    std::array<QString, Wells> text;
    std::array<bool, Wells> present{};
};

// A read of the plate an export holds: a grid, one read of a grid with
// labelled lines, or a value column of a well list.
struct FoundTable {
    QString label;
    QList<WellCells> repeats; // one, or one per repeat when each well is listed several times
    QStringList repeatLabels;
    bool densities = false; // optical densities, not names or integer codes
    bool wellList = false;
    qsizetype line = 0; // where the table's header stands in the file
};

// Densities, not a map of names or integer codes: no names and some number
// with a decimal mark or an exponent.
bool holdsDensities(const WellCells& cells);

} // namespace pleq::files::exporttext
