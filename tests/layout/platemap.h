#pragma once

// A plate map written compactly: the wells that are not " - ", as "A1=S+"
// entries in row order (A1 .. A12, B1 .. H12). Failing comparisons then name
// the first well that differs.

#include "core/model/project.h"
#include "core/model/textgrid.h"

#include <QStringList>

namespace pleq::test {

inline QString wellName(int col, int row)
{
    return TextGrid::rowLetter(row) + QString::number(col);
}

inline QStringList wellsOf(const TextGrid& plate)
{
    QStringList wells;
    for (int row = 1; row < Project::PlateRows; ++row)
        for (int col = 1; col < Project::PlateColumns; ++col)
            if (plate.cell(col, row) != Project::EmptyWell)
                wells.append(wellName(col, row) + QLatin1Char('=') + plate.cell(col, row));
    return wells;
}

// The same entries in row order, whatever order they were written in.
inline QStringList sortedWells(const QStringList& entries)
{
    TextGrid plate(Project::PlateColumns, Project::PlateRows);
    for (int col = 0; col < Project::PlateColumns; ++col)
        for (int row = 0; row < Project::PlateRows; ++row)
            plate.setCell(col, row, Project::EmptyWell);
    for (const QString& entry : entries) {
        const qsizetype eq = entry.indexOf(QLatin1Char('='));
        const int row = entry.at(0).unicode() - 'A' + 1;
        const int col = entry.mid(1, eq - 1).toInt();
        Q_ASSERT(eq > 1 && row >= 1 && row <= 8 && col >= 1 && col <= 12);
        plate.setCell(col, row, entry.mid(eq + 1));
    }
    return wellsOf(plate);
}

// The header cells "1".."12", "A".."H" and the corner " - ".
inline bool headersIntact(const TextGrid& plate)
{
    if (plate.cell(0, 0) != Project::EmptyWell)
        return false;
    for (int col = 1; col < Project::PlateColumns; ++col)
        if (plate.cell(col, 0) != QString::number(col))
            return false;
    for (int row = 1; row < Project::PlateRows; ++row)
        if (plate.cell(0, row) != TextGrid::rowLetter(row))
            return false;
    return true;
}

} // namespace pleq::test
