#pragma once

#include "core/files/exporttext.h"

namespace pleq::files::exporttext {

// The plate as lists of wells, in the order of the file:
// - a header line naming the wells as columns ("Time", "A1", "A2" .. "H12")
//   and a line of values under it per read: one table, a repeat per line;
// - else lines "A1;0,123" / "A01,0.123", or a header naming a well column
//   ("Well", "Wells", "Well Position", "Plate Position") and density columns
//   ("OD", "OD450", "A450", "Abs", "Absorbance @ 450 (A)", "Raw Data (450)"):
//   one table per density column; a well listed again starts a repeat, named
//   by a "Repeat"/"Cycle"/"Time" column when there is one.
// Throws Error naming `fileName` for a well past H12 (a plate of another
// size) and for a list of wells without a density column.
QList<FoundTable> findWellLists(const QStringList& lines, const QString& fileName);

} // namespace pleq::files::exporttext
