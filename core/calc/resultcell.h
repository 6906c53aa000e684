#pragma once

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

// How the result grid shows a well: `text` its result text, `layoutText` the
// same well of the plate layout, `current` whether it is the grid's current
// cell. "0" shows blank; the colour is red for a negative text (it holds a
// blank), otherwise green; maroon for a doubtful one (it holds "("); black for
// a control well (the layout text holds S, R, C or O); white on the selection
// for the current cell, whatever its class. Header cells are drawn blue.
DrawnCell drawnWell(const QString& text, const QString& layoutText, bool current);
inline constexpr CellColor HeaderColor = CellColor::Blue;

} // namespace pleq
