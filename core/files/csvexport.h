#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

namespace pleq {

class Project;
struct PlateResult;

// The two forms of the results CSV: for a LIMS or a script (comma, "."
// decimals) and for a spreadsheet with Russian settings (semicolon, ","
// decimals, a UTF-8 byte order mark so that the spreadsheet reads the
// Cyrillic right).
enum class CsvStyle { Machine, Spreadsheet };

// One field of a CSV line: quoted (quotes doubled) when it holds the
// separator, a quote, CR or LF, or begins or ends with a blank.
QString csvField(const QString& text, QChar separator);

// The results of a "Расчет" run as CSV, UTF-8, CR LF: a header row of ASCII
// column names, then one row per well with a layout text, row by row (A1, A2
// .. H12). The texts come from the project, the values from the run. Throws
// Error when an error stopped the run: its wells are no results.
QByteArray resultsCsv(const Project& project, const PlateResult& result, const QDateTime& now, CsvStyle style);

// Writes resultsCsv to `path`, replacing the file only once it is complete.
// Throws Error; on an error an earlier file stays as it was.
void exportResults(const Project& project, const PlateResult& result, const QDateTime& now, CsvStyle style,
                   const QString& path);

} // namespace pleq
