#include "core/layout/fill.h"

#include "core/kits/catalogue.h"
#include "core/layout/rules.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq {

namespace {

// The first well's row: the position of the box's first letter in "ABCDEFGH",
// 0 when it is none of them (such a row is off the plate).
int firstRowNumber(const QString& letter)
{
    if (letter.isEmpty())
        return 0;
    return int(QStringLiteral("ABCDEFGH").indexOf(letter.at(0))) + 1;
}

} // namespace

void fillPlate(Project& project)
{
    project.ensureUnlocked();
    TextGrid& plate = project.plateLayout();
    project.fillEmptyLayout();
    const int k = toInt(project.controlCount());
    const int m = toInt(project.repetitions());
    const int c0 = toInt(project.firstColumn());
    const int r0 = firstRowNumber(project.firstRow());
    // Kit 05 has no horizontal rule, whatever the orientation says.
    applyLayout(kitEntry(project.kit()).layout(project.horizontal()), plate, project.sampleTable(), r0, c0, k, m);
}

} // namespace pleq
