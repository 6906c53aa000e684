#include "archive/queue.h"

#include "archive/archive.h"
#include "archive/sqlerror.h"
#include "core/model/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

#include <vector>

namespace pleq {

namespace {

ArchiveLocation queueLocation(const QString& queuePath)
{
    ArchiveLocation location;
    location.kind = ArchiveLocation::Kind::Sqlite;
    location.path = queuePath;
    return location;
}

std::vector<qint64> queuedSeqs(Archive& queue)
{
    const QSqlDatabase db = QSqlDatabase::database(queue.connectionName(), false);
    QSqlQuery query = sql::exec(db, QStringLiteral("SELECT seq FROM runs ORDER BY seq"), queue.location().displayName());
    std::vector<qint64> seqs;
    while (query.next())
        seqs.push_back(query.value(0).toLongLong());
    return seqs;
}

// A run the server holds leaves the queue (its wells, samples and controls
// with it: the queue's foreign keys cascade).
void removeQueued(Archive& queue, qint64 seq)
{
    const QString name = queue.location().displayName();
    QSqlQuery query = sql::prepare(QSqlDatabase::database(queue.connectionName(), false),
                                   QStringLiteral("DELETE FROM runs WHERE seq = ?"), name);
    query.addBindValue(seq);
    sql::exec(query, name);
}

// "Архив X: reason" without its "Архив X: ", where the message names X already.
QString reasonOf(const Error& error, const QString& archiveName)
{
    const QString prefix = QStringLiteral("Архив %1: ").arg(archiveName);
    return error.message().startsWith(prefix) ? error.message().mid(prefix.size()) : error.message();
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
    int sent = 0;
    for (const qint64 seq : queuedSeqs(queue)) {
        const std::optional<StoredRun> stored = queue.run(seq);
        if (!stored)
            continue; // sent meanwhile by another program of this user
        server.append(stored->record); // a uid the server holds already is not stored twice
        removeQueued(queue, seq);
        ++sent;
    }
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
