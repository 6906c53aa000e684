#include "cli/commands.h"
#include "cli/common.h"

#include "core/files/projectfile.h"
#include "core/files/readerexport.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq::cli {

// "Импорт ..." on a saved project: the densities of a reader's text export go
// into the wells of its layout, the project file is written as "Сохранить ..."
// writes it, and the import's message goes to stderr. An export that holds no
// plate writes nothing.
int import(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: pleq-cli import PROJECT.plq FILE [-o OUT.plq]");
    // The export is the second word that is no option.
    QStringList rest = args;
    QString exportFile;
    for (qsizetype i = 0, positional = 0; i < rest.size(); ++i) {
        if (rest.at(i) == QLatin1String("-o")) {
            ++i;
        } else if (!rest.at(i).startsWith(QLatin1Char('-')) && ++positional == 2) {
            exportFile = rest.takeAt(i);
            break;
        }
    }
    if (exportFile.isEmpty())
        throw Error(usage);
    const Options options = parseOptions(rest, {QStringLiteral("-o")}, {}, usage);
    const auto project = loadProject(options.project);
    const QString message = files::importDensities(*project, exportFile);
    writeOutput(options.value(QStringLiteral("-o")), writeProjectFile(*project));
    err(message + QLatin1Char('\n'));
    return 0;
}

} // namespace pleq::cli
