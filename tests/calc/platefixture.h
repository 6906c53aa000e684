#pragma once

#include "core/model/project.h"

#include <QStringList>

namespace pleq::test {

// Well "D2" is Cells[2,4]: column 2, row D.
inline int wellColumn(const QString& well)
{
    return well.mid(1).toInt();
}
inline int wellRow(const QString& well)
{
    return well.at(0).unicode() - 'A' + 1;
}

// Lays out a plate from "D1 1.1 0,95; C1 C- 1,2; E5 - 0,3": well, layout
// text ("-" for an empty well " - ") and density text ("" when left out).
inline void layPlate(Project& project, const QString& wells)
{
    project.fillEmptyLayout();
    project.fillEmptyDensities();
    for (const QString& item : wells.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const QStringList parts = item.trimmed().split(QLatin1Char(' '));
        const int col = wellColumn(parts.at(0));
        const int row = wellRow(parts.at(0));
        const QString layoutText = parts.at(1) == QLatin1String("-") ? Project::EmptyWell : parts.at(1);
        project.plateLayout().setCell(col, row, layoutText);
        if (parts.size() > 2)
            project.densityTable().setCell(col, row, parts.at(2));
    }
}

// The kit of the project by its code 1..5.
inline void selectKit(Project& project, int kit)
{
    project.selectKit(Kit(kit - 1));
}

} // namespace pleq::test
