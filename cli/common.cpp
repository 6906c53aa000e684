#include "cli/common.h"

#include "core/files/fileio.h"
#include "core/files/projectfile.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <cerrno>
#include <cstdio>

namespace pleq::cli {

void out(const QString& text)
{
    outBytes(text.toUtf8());
}

void outBytes(const QByteArray& bytes)
{
    // Output that other systems read must not be cut short without a word.
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        || std::fflush(stdout) != 0)
        throw Error(qt_error_string(errno));
}

void err(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

int fail(const QString& message)
{
    err(QStringLiteral("pleq-cli: ") + message + QLatin1Char('\n'));
    return 1;
}

Options parseOptions(const QStringList& args, const QStringList& valued, const QStringList& flags, const QString& usage)
{
    Options options;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (valued.contains(arg) && i + 1 < args.size() && !options.values.contains(arg) && !args.at(i + 1).isEmpty())
            options.values.insert(arg, args.at(++i));
        else if (flags.contains(arg) && !options.flags.contains(arg))
            options.flags.append(arg);
        else if (options.project.isEmpty() && !arg.isEmpty() && !arg.startsWith(QLatin1Char('-')))
            options.project = arg;
        else
            throw Error(usage);
    }
    if (options.project.isEmpty())
        throw Error(usage);
    return options;
}

void applyDecimalOption(const Options& options)
{
    if (!options.has(QStringLiteral("--decimal")))
        return;
    const QString sep = options.value(QStringLiteral("--decimal"));
    if (sep != QLatin1String(",") && sep != QLatin1String("."))
        throw Error(QStringLiteral("--decimal takes \",\" or \".\", not '%1'").arg(sep));
    setDecimalSeparator(sep.at(0));
}

std::unique_ptr<Project> loadProject(const QString& path)
{
    auto project = std::make_unique<Project>();
    openProject(*project, path);
    return project;
}

void writeOutput(const QString& path, const QByteArray& bytes)
{
    if (path.isEmpty()) {
        outBytes(bytes);
        return;
    }
    files::writeFileAtomically(path, bytes);
}

} // namespace pleq::cli
