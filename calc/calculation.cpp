#include "calc/calculation.h"

#include "model/project.h"

namespace pleq {

// Skeleton: the kit procedures are built with the calculation folder.
void calculate(Project& project, const MessageSink&)
{
    project.setLabelVisible(Label::s2, true);
}

void emptyZeroResults(Project& project)
{
    TextGrid& results = project.resultTable();
    for (int col = 1; col < Project::PlateColumns; ++col)
        for (int row = 1; row < Project::PlateRows; ++row)
            if (results.cell(col, row) == QLatin1String("0"))
                results.setCell(col, row, QString());
}

} // namespace pleq
