#include "archive/queue.h"

#include "archive/archive.h"
#include "archive/archiveerror.h"
#include "archive/sqlerror.h"
#include "core/model/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

namespace pleq {

namespace {

ArchiveLocation queueLocation(const QString& queuePath)
{
    ArchiveLocation location;
    location.kind = ArchiveLocation::Kind::Sqlite;
    location.path = queuePath;
    return location;
}

// The queue's seq range: [first, last], first > last when it is empty.
std::pair<qint64, qint64> queuedRange(Archive& queue)
{
    const QSqlDatabase db = QSqlDatabase::database(queue.connectionName(), false);
    QSqlQuery query = sql::exec(db, QStringLiteral("SELECT MIN(seq), MAX(seq) FROM runs"), queue.location().displayName());
    if (!query.next() || query.value(0).isNull())
        return {1, 0};
    return {query.value(0).toLongLong(), query.value(1).toLongLong()};
}

// The runs the server holds leave the queue (their wells, samples and
// controls with them: the queue's foreign keys cascade), in one transaction.
void removeSent(Archive& queue, qint64 upTo)
{
    const QString name = queue.location().displayName();
    QSqlQuery query = sql::prepare(QSqlDatabase::database(queue.connectionName(), false),
                                   QStringLiteral("DELETE FROM runs WHERE seq <= ?"), name);
    query.addBindValue(upTo);
    sql::exec(query, name);
}

// The reason alone where the message names the archive already.
QString reasonOf(const Error& error, const QString& archiveName)
{
    const auto* archiveError = dynamic_cast<const ArchiveError*>(&error);
    if (archiveError && archiveError->form() == ArchiveError::Form::Failed && archiveError->archive() == archiveName)
        return archiveError->reason();
    return error.message();
}

} // namespace

QString archiveQueuePath()
{
    const QString environment = qEnvironmentVariable("PLEQ_ARCHIVE_QUEUE").trimmed();
    if (!environment.isEmpty())
        return environment;
    // Beside the default archive, so that pleq and pleq-cli share one queue.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
           + QStringLiteral("/Pleq/archive-queue.sqlite");
}

qint64 queuedRunCount(const QString& queuePath)
{
    if (!QFileInfo::exists(queuePath))
        return 0;
    Archive queue(queueLocation(queuePath));
    queue.open();
    return queue.runCount();
}

int sendQueued(Archive& server, const QString& queuePath)
{
    if (!QFileInfo::exists(queuePath))
        return 0;
    Archive queue(queueLocation(queuePath));
    queue.open();
    // Sent runs leave the queue together at the end: a run sent but still
    // queued when this stops is sent again later, and the server, holding its
    // uid, keeps it once.
    constexpr qint64 Slice = 64;
    const auto [first, last] = queuedRange(queue);
    qint64 sentUpTo = 0;
    int sent = 0;
    try {
        for (qint64 from = first; from <= last; from += Slice)
            for (const StoredRun& stored : queue.runs(from, std::min(last, from + Slice - 1))) {
                server.append(stored.record);
                sentUpTo = stored.seq;
                ++sent;
            }
    } catch (const Error&) {
        if (sent > 0) {
            try {
                removeSent(queue, sentUpTo);
            } catch (const Error&) {
                // Left queued, they are sent again, and kept once, next time.
            }
        }
        throw;
    }
    if (sent > 0)
        removeSent(queue, sentUpTo);
    return sent;
}

int sendQueuedRuns(const ArchiveLocation& location, const QString& queuePath)
{
    if (location.kind != ArchiveLocation::Kind::Postgres || queuedRunCount(queuePath) == 0)
        return 0;
    Archive server(location);
    server.open();
    return sendQueued(server, queuePath);
}

ArchiveOutcome archiveOrQueue(Archive& archive, const RunRecord& run, const QString& queuePath)
{
    ArchiveOutcome outcome;
    if (archive.location().kind != ArchiveLocation::Kind::Postgres) {
        outcome.seq = archive.append(run);
        return outcome;
    }
    const QString server = archive.location().displayName();
    QString reason;
    try {
        archive.open();
        sendQueued(archive, queuePath);
        outcome.seq = archive.append(run);
        return outcome;
    } catch (const ArchiveError& error) {
        if (error.form() == ArchiveError::Form::Foreign)
            throw; // no server to wait for: the database is another program's
        reason = reasonOf(error, server);
    } catch (const Error& error) {
        reason = reasonOf(error, server);
    }
    try {
        Archive queue(queueLocation(queuePath));
        queue.open();
        queue.append(run);
    } catch (const Error& error) {
        throw Error(QStringLiteral("Сервер архива %1 недоступен: %2. Планшет не удалось поставить в очередь: %3")
                        .arg(server, reason, error.message()));
    }
    outcome.queued = true;
    outcome.message = QStringLiteral("Сервер архива %1 недоступен: %2. Планшет поставлен в очередь (%3) и будет "
                                     "отправлен, когда сервер ответит.")
                          .arg(server, reason, QDir::toNativeSeparators(queuePath));
    return outcome;
}

} // namespace pleq
