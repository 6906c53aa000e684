#include "cli/commands.h"
#include "cli/common.h"

#include "core/calc/calculation.h"
#include "core/calc/report.h"
#include "core/model/project.h"

namespace pleq::cli {

// pleq-cli calc PROJECT.plq [--json] [--decimal SEP]: opens the project as
// "Открыть ..." does and runs "Расчет" on it. Exit status 0 when the run ends
// (failed validity checks included), 1 when an error stops it.
int calc(const QStringList& args)
{
    const Options options = parseOptions(args, {QStringLiteral("--decimal")}, {QStringLiteral("--json")},
                                         QStringLiteral("usage: pleq-cli calc PROJECT.plq [--json] [--decimal SEP]"));
    applyDecimalOption(options);

    const auto project = loadProject(options.project);
    const PlateResult result = calculatePlate(*project, {});
    if (options.has(QStringLiteral("--json")))
        outBytes(calculationJson(*project, result));
    else
        out(calculationText(*project, result));
    return result.error ? 1 : 0;
}

} // namespace pleq::cli
