#include "core/calc/resultcell.h"

#include "core/calc/steps.h"

namespace pleq {

unsigned cellRgb(CellColor color)
{
    switch (color) {
    case CellColor::Blue: return 0x0000ff;
    case CellColor::Green: return 0x008000;
    case CellColor::Red: return 0xff0000;
    case CellColor::Maroon: return 0x800000;
    case CellColor::Black: return 0x000000;
    case CellColor::White: return 0xffffff;
    }
    return 0;
}

DrawnCell drawnWell(const QString& text, const QString& layoutText, bool current)
{
    DrawnCell cell{text == QLatin1String("0") ? QString() : text, CellColor::Green};
    if (text.contains(QLatin1Char(' ')))
        cell.color = CellColor::Red;
    if (text.contains(QLatin1Char('(')))
        cell.color = CellColor::Maroon;
    if (containsAnyOf(layoutText, u"SRCO"))
        cell.color = CellColor::Black;
    if (current)
        cell.color = CellColor::White;
    return cell;
}

} // namespace pleq
