#include "cli/commands.h"
#include "cli/common.h"

#include "calc/report.h"
#include "model/numberformat.h"
#include "model/project.h"

namespace pleq::cli {

// pleq-cli calc PROJECT.plq [--json] [--decimal SEP]: opens the project as
// "Открыть ..." does and runs "Расчет" on it. Exit status 0 when the run ends
// (failed validity checks included), 1 when an error stops it.
int calc(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: pleq-cli calc PROJECT.plq [--json] [--decimal SEP]");
    QString path;
    bool json = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--json")) {
            json = true;
        } else if (arg == QLatin1String("--decimal")) {
            if (i + 1 == args.size() || (args.at(i + 1) != QLatin1String(",") && args.at(i + 1) != QLatin1String(".")))
                return fail(QStringLiteral("--decimal takes \",\" or \".\"\n") + usage);
            setDecimalSeparator(args.at(++i).at(0));
        } else if (path.isEmpty() && !arg.startsWith(QLatin1Char('-'))) {
            path = arg;
        } else {
            return fail(usage);
        }
    }
    if (path.isEmpty())
        return fail(usage);

    const auto project = loadProject(path);
    const CalculationRun run = runCalculation(*project);
    if (json)
        outBytes(calculationJson(*project, run));
    else
        out(calculationText(*project, run));
    return run.error ? 1 : 0;
}

} // namespace pleq::cli
