#include "core/calc/resultcell.h"

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

DrawnCell drawnWell(const WellResult& well, const QString& layoutText, bool current)
{
    DrawnCell cell{well.shownText(), CellColor::Green};
    if (well.verdict == Verdict::Negative)
        cell.color = CellColor::Red;
    if (well.verdict == Verdict::Doubtful)
        cell.color = CellColor::Maroon;
    if (wellKind(layoutText) == WellKind::Control)
        cell.color = CellColor::Black;
    if (current)
        cell.color = CellColor::White;
    return cell;
}

} // namespace pleq
