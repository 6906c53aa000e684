#include "cli/commands.h"
#include "cli/common.h"

#include "core/files/projectfile.h"
#include "core/layout/fill.h"
#include "core/model/project.h"

namespace pleq::cli {

// "Заполнить" on a saved project: the layout of its kit, orientation, first
// well, control count, repetitions and quantities, then the whole project file
// as "Сохранить ..." writes it. A conversion error writes nothing.
int fill(const QStringList& args)
{
    const Options options =
        parseOptions(args, {QStringLiteral("-o")}, {}, QStringLiteral("usage: pleq-cli fill PROJECT.plq [-o OUT.plq]"));
    const auto project = loadProject(options.project);
    fillPlate(*project);
    writeOutput(options.value(QStringLiteral("-o")), writeProjectFile(*project));
    return 0;
}

} // namespace pleq::cli
