#include "cli/commands.h"
#include "cli/common.h"

#include "calc/calculation.h"
#include "docs/fileio.h"
#include "docs/protocol.h"
#include "model/errors.h"
#include "model/numberformat.h"
#include "model/project.h"

#include <cerrno>
#include <cstdio>

namespace pleq::cli {

namespace {

// The protocol on standard output; a failed write (a full disk behind a
// redirection, a closed pipe) is an error, not a silently short protocol.
void writeStdout(const QByteArray& bytes)
{
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        throw Error(qt_error_string(errno));
}

} // namespace

// "Открыть ...", "Расчет", the result grid shown, "Протокол": the same steps
// as in the application. A calculation error is reported and the protocol is
// still written from the state it left, as the window would; an error of the
// protocol itself writes nothing.
int protocol(const QStringList& args)
{
    const QString usage = QStringLiteral("usage: pleq-cli protocol PROJECT.plq [-o FILE] [--decimal SEP]");
    QString projectPath;
    QString outputPath;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        if ((a == QLatin1String("-o") || a == QLatin1String("--decimal")) && i + 1 < args.size()) {
            const QString value = args.at(++i);
            if (a == QLatin1String("-o")) {
                if (value.isEmpty())
                    return fail(usage);
                outputPath = value;
            } else {
                if (value.size() != 1)
                    return fail(QStringLiteral("--decimal takes one character, not '%1'").arg(value));
                setDecimalSeparator(value.at(0));
            }
        } else if (projectPath.isEmpty() && !a.startsWith(QLatin1Char('-'))) {
            projectPath = a;
        } else {
            return fail(usage);
        }
    }
    if (projectPath.isEmpty())
        return fail(usage);

    const auto project = loadProject(projectPath); // an error here: nothing is written
    int status = 0;
    try {
        calculate(*project, [](const QString& text) { err(text + QLatin1Char('\n')); });
    } catch (const Error& e) {
        status = fail(e.message());
    }
    emptyZeroResults(*project);

    try {
        const QByteArray bytes = protocolBytes(*project);
        if (outputPath.isEmpty())
            writeStdout(bytes);
        else
            docs::writeFileAtomically(outputPath, bytes);
    } catch (const Error& e) {
        return fail(e.message());
    }
    return status;
}

} // namespace pleq::cli
