#include "cli/commands.h"
#include "cli/common.h"

#include "core/files/projectfile.h"
#include "core/files/readerexport.h"
#include "core/model/errors.h"
#include "core/model/project.h"

namespace pleq::cli {

namespace {

const QString Usage = QStringLiteral("usage: pleq-cli import PROJECT.plq FILE [-o OUT.plq] [--table N] [--repeat N]");

// A positive number given with `option`, 0 when the option is absent.
int choiceNumber(const Options& options, const QString& option)
{
    if (!options.has(option))
        return 0;
    bool ok = false;
    const int n = options.value(option).toInt(&ok);
    if (!ok || n < 1)
        throw Error(Usage);
    return n;
}

// The option that settles an import refused for want of a choice, or nothing.
QString choiceHint(const QString& exportFile, files::ImportChoice choice)
{
    files::ExportContents contents;
    try {
        contents = files::readReaderExportContents(exportFile);
    } catch (const Error&) {
        return {};
    }
    if (choice.table == 0 && contents.defaultTable == 0)
        return QStringLiteral("\nУкажите таблицу: --table N.");
    const int table = choice.table != 0 ? choice.table : contents.defaultTable;
    if (choice.repeat == 0 && table <= contents.tables.size() && contents.tables.at(table - 1).repeats.size() > 1)
        return QStringLiteral("\nУкажите повтор: --repeat N.");
    return {};
}

} // namespace

// "Импорт ..." on a saved project: the densities of a reader's text export go
// into the wells of its layout, the project file is written as "Сохранить ..."
// writes it, and the import's message goes to stderr. An export that holds no
// plate, or needs a table or repeat chosen (--table, --repeat), writes nothing.
int import(const QStringList& args)
{
    const QStringList valued{QStringLiteral("-o"), QStringLiteral("--table"), QStringLiteral("--repeat")};
    // The export is the second word that is no option nor an option's value.
    QStringList rest = args;
    QString exportFile;
    for (qsizetype i = 0, positional = 0; i < rest.size(); ++i) {
        if (valued.contains(rest.at(i))) {
            ++i;
        } else if (!rest.at(i).startsWith(QLatin1Char('-')) && ++positional == 2) {
            exportFile = rest.takeAt(i);
            break;
        }
    }
    if (exportFile.isEmpty())
        throw Error(Usage);
    const Options options = parseOptions(rest, valued, {}, Usage);
    const files::ImportChoice choice{choiceNumber(options, QStringLiteral("--table")),
                                     choiceNumber(options, QStringLiteral("--repeat"))};
    const auto project = loadProject(options.project);
    QString message;
    try {
        message = files::importDensities(*project, exportFile, choice);
    } catch (const Error& e) {
        throw Error(e.message() + choiceHint(exportFile, choice));
    }
    writeOutput(options.value(QStringLiteral("-o")), writeProjectFile(*project));
    err(message + QLatin1Char('\n'));
    return 0;
}

} // namespace pleq::cli
