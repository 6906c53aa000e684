#include "cli/commands.h"
#include "cli/common.h"

#include "docs/projectfile.h"
#include "layout/fill.h"
#include "model/project.h"

namespace pleq::cli {

// "Заполнить" on a saved project: the layout of its kit, orientation, first
// well, control count, repetitions and quantities, then the whole project file
// as "Сохранить ..." writes it. A conversion error writes nothing.
int fill(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: pleq-cli fill PROJECT.plq [-o OUT.plq]");
    QString input;
    QString output; // empty: standard output
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i) == QLatin1String("-o") && i + 1 < args.size() && output.isEmpty() && !args.at(i + 1).isEmpty())
            output = args.at(++i);
        else if (input.isEmpty() && !args.at(i).startsWith(QLatin1Char('-')))
            input = args.at(i);
        else
            return fail(usage);
    }
    if (input.isEmpty())
        return fail(usage);

    const auto project = loadProject(input);
    fillPlate(*project);
    writeOutput(output, writeProjectFile(*project));
    return 0;
}

} // namespace pleq::cli
