#pragma once

#include "core/files/exporttext.h"

namespace pleq::files::exporttext {

// The tables under a header row "1".."12" (or "01".."12"), in the order of
// the file:
// - rows labelled A..H, one line each;
// - rows labelled A..H each followed by unlabelled lines, every line ending
//   with the label of its read ("630nmAbsRead:630", "[Concentration]"): one
//   table per label;
// - a header whose cell before "1" names a column ("Temperature(°C)") and
//   eight lines without letters: the rows A..H;
// - header runs 1..12 side by side: one table per run.
// Throws Error naming `fileName` for a table of another plate size (a header
// past 12, rows past H) and for labelled lines that differ between rows.
QList<FoundTable> findGrids(const QStringList& lines, const QString& fileName);

} // namespace pleq::files::exporttext
