#include "core/calc/calculation.h"

#include "core/kits/catalogue.h"
#include "core/model/project.h"

namespace pleq {

void calculate(Project& project, const MessageSink& message)
{
    // Kits 04 and 05 hide s2 and s3; every run shows them again first.
    project.setLabelVisible(Label::s2, true);
    project.setLabelVisible(Label::s3, true);
    kitEntry(project.kit()).calculate(project, message);
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
