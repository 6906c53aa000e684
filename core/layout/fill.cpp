#include "core/layout/fill.h"

#include "core/kits/catalogue.h"
#include "core/layout/rules.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq {

namespace {

// The first well's row; a file's text off the list counts by the position of
// its first letter in "ABCDEFGH", 0 when it is none of them (such a row is
// off the plate).
int rowNumber(const FirstRow& row)
{
    if (row.listed())
        return row.number();
    const QString letter = row.text();
    if (letter.isEmpty())
        return 0;
    return int(QStringLiteral("ABCDEFGH").indexOf(letter.at(0))) + 1;
}

// A number setting; a file's text off the list must be an integer.
template<typename Setting> int number(const Setting& setting)
{
    return setting.listed() ? setting.number() : toInt(setting.text());
}

} // namespace

void fillPlate(Project& project)
{
    project.ensureUnlocked();
    TextGrid& plate = project.plateLayout();
    project.fillEmptyLayout();
    const int k = number(project.controlCount());
    const int m = number(project.repetitions());
    const int c0 = number(project.firstColumn());
    const int r0 = rowNumber(project.firstRow());
    // Kit 05 has no horizontal rule, whatever the orientation says.
    applyLayout(kitEntry(project.kit()).layout(project.horizontal()), plate, project.sampleTable(), r0, c0, k, m);
}

} // namespace pleq
