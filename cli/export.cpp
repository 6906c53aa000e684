#include "cli/commands.h"
#include "cli/common.h"

#include "core/calc/calculation.h"
#include "core/files/csvexport.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <QDateTime>

namespace pleq::cli {

// pleq-cli export PROJECT.plq [-o FILE.csv] [--decimal SEP]: "Открыть ...",
// "Расчет", then the results CSV to FILE or stdout: comma and "." by default,
// semicolon and "," with --decimal ",". Validity messages go to stderr and
// into the CSV; a run stopped by an error writes nothing (status 1).
int exportCsv(const QStringList& args)
{
    const Options options =
        parseOptions(args, {QStringLiteral("-o"), QStringLiteral("--decimal")}, {},
                     QStringLiteral("usage: pleq-cli export PROJECT.plq [-o FILE.csv] [--decimal SEP]"));
    // The numbers inside the validity messages follow the CSV's mark.
    if (!options.has(QStringLiteral("--decimal")))
        setDecimalSeparator(QLatin1Char('.'));
    applyDecimalOption(options);
    const CsvStyle style = decimalSeparator() == QLatin1Char(',') ? CsvStyle::Spreadsheet : CsvStyle::Machine;

    const auto project = loadProject(options.project);
    const PlateResult result = calculatePlate(*project, [](const QString& text) { err(text + QLatin1Char('\n')); });
    writeOutput(options.value(QStringLiteral("-o")), resultsCsv(*project, result, QDateTime::currentDateTime(), style));
    return 0;
}

} // namespace pleq::cli
