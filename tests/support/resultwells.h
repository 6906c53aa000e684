#pragma once

#include "core/model/project.h"

namespace pleq::test {

// Gives one well of the project a result, as a calculation would leave it.
inline void setResult(Project& project, int col, int row, double value, Verdict verdict)
{
    PlateWells wells = project.resultWells();
    wells.at(col, row) = WellResult{value, verdict};
    project.setResultWells(wells);
}

} // namespace pleq::test
