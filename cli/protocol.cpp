#include "cli/commands.h"
#include "cli/common.h"

#include "core/calc/calculation.h"
#include "core/files/protocol.h"
#include "core/files/protocolpages.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "print/protocolprint.h"

namespace pleq::cli {

// "Открыть ...", "Расчет", "Протокол": the same steps
// as in the application. A calculation error is reported and the protocol is
// still written from the state it left, as the window would; an error of the
// protocol itself writes nothing. With --pdf the protocol goes to a PDF file
// (and the text only to -o, when given); main() made the Gui application
// that painting needs.
int protocol(const QStringList& args)
{
    const Options options =
        parseOptions(args, {QStringLiteral("-o"), QStringLiteral("--decimal"), QStringLiteral("--pdf")}, {},
                     QStringLiteral("usage: pleq-cli protocol PROJECT.plq [-o FILE] [--pdf FILE] [--decimal SEP]"));
    applyDecimalOption(options);

    const auto project = loadProject(options.project); // an error here: nothing is written
    const PlateResult result = calculatePlate(*project, [](const QString& text) { err(text + QLatin1Char('\n')); });
    const int status = result.error ? fail(*result.error) : 0;

    try {
        const QString path = options.value(QStringLiteral("-o"));
        if (options.has(QStringLiteral("--pdf"))) {
            writeProtocolPdf(protocolTextLines(*project), options.value(QStringLiteral("--pdf")));
            if (!path.isEmpty())
                writeProtocol(*project, path);
        } else if (path.isEmpty())
            outBytes(protocolBytes(*project));
        else
            writeProtocol(*project, path);
    } catch (const Error& e) {
        return fail(e.message());
    }
    return status;
}

} // namespace pleq::cli
