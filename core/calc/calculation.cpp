#include "core/calc/calculation.h"

#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq {

namespace {

void calculate(Project& project, const MessageSink& message)
{
    // Kits 04 and 05 hide s2 and s3; every run shows them again first.
    project.setLabelVisible(Label::s2, true);
    project.setLabelVisible(Label::s3, true);
    kitEntry(project.kit()).calculate(project, message);
}

} // namespace

PlateResult calculatePlate(Project& project, const MessageSink& message)
{
    project.ensureUnlocked();
    PlateResult result;
    const qsizetype logBefore = project.readerLog().size();
    try {
        calculate(project, [&](const QString& text) {
            result.messages.append(text);
            if (message)
                message(text);
        });
    } catch (const Error& e) {
        result.error = e.message();
    }
    result.log = project.readerLog().mid(logBefore);
    for (int i = 0; i < LabelCount; ++i)
        result.labels[size_t(i)] = project.label(Label(i));
    for (int col = 1; col <= 12; ++col) {
        for (int row = 1; row <= 8; ++row) {
            const QString& layoutText = project.plateLayout().cell(col, row);
            PlateWell& well = result.well(col, row);
            well.result = project.resultWells().at(col, row);
            well.kind = wellKind(layoutText);
            if (well.kind == WellKind::Sample)
                well.sample = sampleNumber(layoutText);
        }
    }
    return result;
}

} // namespace pleq
