#pragma once

#include "core/model/wellresult.h"

#include <QString>

namespace pleq {

// The font colours of the result grid.
enum class CellColor { Blue, Green, Red, Maroon, Black, White };
// 0xRRGGBB of each colour, for the window's painting.
unsigned cellRgb(CellColor color);

struct DrawnCell {
    QString text;
    CellColor color;
};

// How the result grid shows a well: `well` its result, `layoutText` the same
// well of the plate layout as it stands now, `current` whether it is the
// grid's current cell. The shown text ("0" blank); the colour red for a
// negative well, otherwise green; maroon for a doubtful one; black for a
// control well (the layout text holds S, R, C or O); white on the selection
// for the current cell, whatever its class. Header cells are drawn blue.
DrawnCell drawnWell(const WellResult& well, const QString& layoutText, bool current);
inline constexpr CellColor HeaderColor = CellColor::Blue;

} // namespace pleq
