#include "cli/archive.h"

#include "archive/anchor.h"
#include "archive/archive.h"
#include "archive/archiveerror.h"
#include "archive/copy.h"
#include "archive/operations.h"
#include "archive/queue.h"
#include "cli/commands.h"
#include "cli/common.h"
#include "core/calc/calculation.h"
#include "core/model/errors.h"
#include "core/model/project.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace pleq::cli {

namespace {

// The archive's subcommands; a new one is a row here and a function.
const std::array<ArchiveSubcommand, 7> Subcommands = {{
    {"add", "add PROJECT.plq                 open, calculate and archive a project", archiveAdd},
    {"verify", "verify [--anchor FILE]          check the archive's chain of runs (and the anchors in FILE)",
     archiveVerify},
    {"anchor",
     "anchor [-o FILE]                print (or append to FILE) the chain's head, to keep outside the archive",
     archiveAnchor},
    {"import", "import DIR...                   archive every *.plq under the folders", archiveImport},
    {"copy",
     "copy --from LOCATION --to LOCATION\n"
     "                                                 copy a whole archive into an empty one, chain intact",
     archiveCopy},
    {"send", "send                            send the runs queued while the archive's server was down", archiveSend},
    {"qc",
     "qc --kit NN [--from DATE] [--to DATE] [--baseline N|DATE..DATE] [--json]\n"
     "                                                   the control charts of a kit: limits, points, Westgard rules",
     archiveQc},
}};

QString usage()
{
    QString text = QStringLiteral("usage: pleq-cli archive SUBCOMMAND [--archive LOCATION] ...\n");
    for (const ArchiveSubcommand& sub : Subcommands)
        text += QStringLiteral("  pleq-cli archive ") + QString::fromUtf8(sub.usage) + QLatin1Char('\n');
    text += QStringLiteral("LOCATION: an SQLite file or postgresql://user@host[:port]/dbname "
                           "(default: PLEQ_ARCHIVE, the setting, the user's data folder)\n");
    return text;
}

} // namespace

int archive(const QStringList& arguments)
{
    QStringList args = arguments;
    QString location;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] != QLatin1String("--archive"))
            continue;
        if (i + 1 >= args.size() || !location.isNull())
            throw Error(usage());
        location = args[i + 1];
        args.remove(i, 2);
        break;
    }
    if (args.isEmpty())
        throw Error(usage());
    const QString name = args.takeFirst();
    for (const ArchiveSubcommand& sub : Subcommands)
        if (name == QLatin1String(sub.name))
            return sub.run(args, location.isNull() ? archiveLocation() : ArchiveLocation::parse(location));
    throw Error(usage());
}

int archiveAdd(const QStringList& args, const ArchiveLocation& location)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        throw Error(QStringLiteral("usage: pleq-cli archive add PROJECT.plq [--archive LOCATION]"));
    const auto project = loadProject(args[0]);
    const PlateResult result = calculatePlate(*project, [](const QString& text) { err(text + QLatin1Char('\n')); });
    if (result.error)
        err(*result.error + QLatin1Char('\n'));
    RunRecord record = makeRunRecord(*project, &result, QDateTime::currentDateTime(), RunIdentity::ofThisWorkstation());
    QFile file(args[0]);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("%1: %2").arg(args[0], file.errorString()));
    record.uid = addedFileUid(file.readAll(), QFileInfo(file).lastModified());
    const bool protocolStopped = record.protocol.isEmpty();
    if (protocolStopped)
        err(record.messages.constLast() + QLatin1Char('\n'));
    Archive archive(location);
    const ArchiveOutcome outcome = archiveOrQueue(archive, record);
    if (outcome.queued) {
        // Not failed: the run waits for its server, and the status says so.
        out(outcome.message + QLatin1Char('\n'));
        return QueuedStatus;
    }
    out(QStringLiteral("Планшет «%1» в архиве %2: запись %3.\n")
            .arg(project->plateName(), location.displayName())
            .arg(outcome.seq));
    // The run is archived either way; status 1 says it holds an error.
    return result.error || protocolStopped ? 1 : 0;
}

int archiveVerify(const QStringList& args, const ArchiveLocation& location)
{
    const QString usage = QStringLiteral("usage: pleq-cli archive verify [--anchor FILE] [--archive LOCATION]");
    QString anchorFile;
    if (args.size() == 2 && args[0] == QLatin1String("--anchor"))
        anchorFile = args[1];
    else if (!args.isEmpty())
        throw Error(usage);
    // Read first: a file that does not read is said before the archive is touched.
    const std::vector<Anchor> anchors = anchorFile.isNull() ? std::vector<Anchor>() : readAnchors(anchorFile);
    // A mistyped path would otherwise be a new, empty and so intact archive.
    if (location.kind == ArchiveLocation::Kind::Sqlite && !QFileInfo::exists(location.path))
        throw ArchiveError(location.displayName(), QStringLiteral("файла нет"));
    Archive archive(location);
    const VerifyReport report = archive.verify();
    if (!report.intact() || anchorFile.isNull()) {
        out(QStringLiteral("%1: %2\n").arg(location.displayName(), report.message));
        return report.intact() ? 0 : 1;
    }
    const QString broken = checkAnchors(archive, anchors);
    if (!broken.isEmpty()) {
        out(QStringLiteral("%1: %2\n").arg(location.displayName(), broken));
        return 1;
    }
    out(QStringLiteral("%1: %2 Якоря совпадают: %3.\n")
            .arg(location.displayName(), report.message)
            .arg(anchors.size()));
    return 0;
}

int archiveAnchor(const QStringList& args, const ArchiveLocation& location)
{
    QString file;
    if (args.size() == 2 && args[0] == QLatin1String("-o"))
        file = args[1];
    else if (!args.isEmpty())
        throw Error(QStringLiteral("usage: pleq-cli archive anchor [-o FILE] [--archive LOCATION]"));
    if (location.kind == ArchiveLocation::Kind::Sqlite && !QFileInfo::exists(location.path))
        throw ArchiveError(location.displayName(), QStringLiteral("файла нет"));
    Archive archive(location);
    const QString line = headAnchor(archive) + QLatin1Char('\n');
    if (file.isNull()) {
        out(line);
        return 0;
    }
    appendAnchor(file, line);
    out(QStringLiteral("Якорь добавлен в %1: %2").arg(QDir::toNativeSeparators(file), line));
    return 0;
}

int archiveImport(const QStringList& args, const ArchiveLocation& location)
{
    if (args.isEmpty()
        || std::any_of(args.begin(), args.end(), [](const QString& a) { return a.startsWith(QLatin1Char('-')); }))
        throw Error(QStringLiteral("usage: pleq-cli archive import DIR... [--archive LOCATION]"));
    Archive archive(location);
    const ImportReport report = importFolder(
        archive, args, [](int done, int total) { err(QStringLiteral("%1 из %2\n").arg(done).arg(total)); });
    for (const QString& failure : report.failures)
        err(failure + QLatin1Char('\n'));
    for (const QString& file : report.withoutProtocol)
        err(file + QLatin1Char('\n'));
    out(QStringLiteral("%1: файлов %2, записано в архив %3, уже были в архиве %4, пропущено с ошибками %5.\n")
            .arg(location.displayName())
            .arg(report.files)
            .arg(report.archived)
            .arg(report.already)
            .arg(report.failures.size()));
    return report.failures.isEmpty() ? 0 : 1;
}

int archiveCopy(const QStringList& args, const ArchiveLocation&)
{
    const QString usage = QStringLiteral("usage: pleq-cli archive copy --from LOCATION --to LOCATION");
    QString from, to;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size())
            throw Error(usage);
        if (args[i] == QLatin1String("--from") && from.isNull())
            from = args[i + 1];
        else if (args[i] == QLatin1String("--to") && to.isNull())
            to = args[i + 1];
        else
            throw Error(usage);
    }
    if (from.isNull() || to.isNull())
        throw Error(usage);
    const ArchiveLocation sourceLocation = ArchiveLocation::parse(from);
    if (sourceLocation.kind == ArchiveLocation::Kind::Sqlite && !QFileInfo::exists(sourceLocation.path))
        throw ArchiveError(sourceLocation.displayName(), QStringLiteral("файла нет"));
    Archive source(sourceLocation);
    Archive target(ArchiveLocation::parse(to));
    const CopyReport report = copyArchive(
        source, target, [](qint64 done, qint64 total) { err(QStringLiteral("%1 из %2\n").arg(done).arg(total)); });
    out(QStringLiteral("Скопировано записей: %1, из %2 в %3.\n%2: %4\n%3: %5\n")
            .arg(report.runs)
            .arg(source.location().displayName(), target.location().displayName(), report.source.message,
                 report.target.message));
    return report.source.intact() && report.target.intact() ? 0 : 1;
}

int archiveSend(const QStringList& args, const ArchiveLocation& location)
{
    if (!args.isEmpty())
        throw Error(QStringLiteral("usage: pleq-cli archive send [--archive LOCATION]"));
    const QString queue = archiveQueuePath();
    if (location.kind != ArchiveLocation::Kind::Postgres) {
        out(QStringLiteral("Архив %1 — файл: очередь не используется.\n").arg(location.displayName()));
        return 0;
    }
    const int sent = sendQueuedRuns(location, queue);
    out(QStringLiteral("Отправлено на сервер архива %1: %2; в очереди (%3) осталось %4.\n")
            .arg(location.displayName())
            .arg(sent)
            .arg(QDir::toNativeSeparators(queue))
            .arg(queuedRunCount(queue)));
    return 0;
}

} // namespace pleq::cli
