#include "archive/queue.h"

#include "archive/archive.h"
#include "archive/archiveerror.h"
#include "archive/sqlerror.h"
#include "core/model/errors.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>

#include <algorithm>
#include <set>
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

// The servers each queued run is owed to, by its uid: it goes to each of
// them and to no other, and leaves the queue once every one holds it. A run
// queued without one (by an earlier version) goes to the first server that
// takes the queue. A version before this one kept one server per run in
// queue_targets: its rows move over.
void ensureTargets(Archive& queue)
{
    const QString name = queue.location().displayName();
    const QSqlDatabase db = QSqlDatabase::database(queue.connectionName(), false);
    sql::exec(db,
              QStringLiteral("CREATE TABLE IF NOT EXISTS queue_owed (uid TEXT NOT NULL, server TEXT NOT NULL,"
                             " PRIMARY KEY (uid, server))"),
              name);
    sql::exec(db,
              QStringLiteral("CREATE TABLE IF NOT EXISTS queue_targets (uid TEXT PRIMARY KEY, server TEXT NOT NULL)"),
              name);
    sql::exec(db, QStringLiteral("BEGIN IMMEDIATE"), name);
    try {
        sql::exec(
            db, QStringLiteral("INSERT OR IGNORE INTO queue_owed (uid, server) SELECT uid, server FROM queue_targets"),
            name);
        sql::exec(db, QStringLiteral("DELETE FROM queue_targets"), name);
        sql::exec(db, QStringLiteral("COMMIT"), name);
    } catch (...) {
        sql::rollback(db);
        throw;
    }
}

void recordTarget(Archive& queue, const QString& uid, const QString& server)
{
    const QString name = queue.location().displayName();
    QSqlQuery query =
        sql::prepare(QSqlDatabase::database(queue.connectionName(), false),
                     QStringLiteral("INSERT OR IGNORE INTO queue_owed (uid, server) VALUES (?, ?)"), name);
    query.addBindValue(uid);
    query.addBindValue(server);
    sql::exec(query, name);
}

// The seqs of the runs owed to `server`, in the order they were queued.
std::vector<qint64> queuedFor(Archive& queue, const QString& server)
{
    const QString name = queue.location().displayName();
    QSqlQuery query = sql::prepare(
        QSqlDatabase::database(queue.connectionName(), false),
        QStringLiteral("SELECT r.seq FROM runs r WHERE EXISTS (SELECT 1 FROM queue_owed o WHERE o.uid = r.uid AND"
                       " o.server = ?) OR NOT EXISTS (SELECT 1 FROM queue_owed o WHERE o.uid = r.uid) ORDER BY r.seq"),
        name);
    query.addBindValue(server);
    sql::exec(query, name);
    std::vector<qint64> seqs;
    while (query.next())
        seqs.push_back(query.value(0).toLongLong());
    return seqs;
}

// The runs `server` holds are no longer owed to it; a run owed to no other
// server leaves the queue (its wells, samples and controls with it: the
// queue's foreign keys cascade), all in one transaction.
void removeSent(Archive& queue, const QString& server, const std::vector<const StoredRun*>& sent)
{
    const QString name = queue.location().displayName();
    const QSqlDatabase db = QSqlDatabase::database(queue.connectionName(), false);
    sql::exec(db, QStringLiteral("BEGIN IMMEDIATE"), name);
    try {
        QSqlQuery owed = sql::prepare(db, QStringLiteral("DELETE FROM queue_owed WHERE uid = ? AND server = ?"), name);
        QSqlQuery run = sql::prepare(
            db,
            QStringLiteral(
                "DELETE FROM runs WHERE seq = ? AND NOT EXISTS (SELECT 1 FROM queue_owed WHERE uid = runs.uid)"),
            name);
        for (const StoredRun* stored : sent) {
            owed.bindValue(0, stored->record.uid);
            owed.bindValue(1, server);
            sql::exec(owed, name);
            run.bindValue(0, stored->seq);
            sql::exec(run, name);
        }
        sql::exec(db, QStringLiteral("COMMIT"), name);
    } catch (...) {
        sql::rollback(db);
        throw;
    }
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
    // One sender at a time claims the queue: another process sending it now
    // sends these runs, so this one leaves them (a lock of a process that
    // died is taken over).
    QLockFile claim(queuePath + QStringLiteral(".sending"));
    claim.setStaleLockTime(0);
    if (!claim.tryLock(0))
        return 0;
    Archive queue(queueLocation(queuePath));
    queue.open();
    ensureTargets(queue);
    // Sent runs leave the queue together at the end: a run sent but still
    // queued when this stops is sent again later, and the server, holding its
    // uid, keeps it once.
    constexpr size_t Slice = 64;
    const QString serverName = server.location().displayName();
    const std::vector<qint64> seqs = queuedFor(queue, serverName);
    std::vector<StoredRun> held;
    held.reserve(seqs.size());
    std::vector<const StoredRun*> sent;
    try {
        for (size_t first = 0; first < seqs.size(); first += Slice) {
            const size_t last = std::min(seqs.size(), first + Slice) - 1;
            const std::set<qint64> wanted(seqs.begin() + qsizetype(first), seqs.begin() + qsizetype(last) + 1);
            for (StoredRun& stored : queue.runs(seqs[first], seqs[last])) {
                if (!wanted.count(stored.seq))
                    continue; // meant for another server
                held.push_back(std::move(stored));
                server.append(held.back().record);
                sent.push_back(&held.back());
            }
        }
    } catch (const Error&) {
        if (!sent.empty()) {
            try {
                removeSent(queue, serverName, sent);
            } catch (const Error&) {
                // Left queued, they are sent again, and kept once, next time.
            }
        }
        throw;
    }
    if (!sent.empty())
        removeSent(queue, serverName, sent);
    return int(sent.size());
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
        // No server to wait for: the database is another program's, or a copy under way that takes no run.
        if (error.form() == ArchiveError::Form::Foreign || error.form() == ArchiveError::Form::UnfinishedCopy)
            throw;
        reason = reasonOf(error, server);
    } catch (const Error& error) {
        reason = reasonOf(error, server);
    }
    try {
        Archive queue(queueLocation(queuePath));
        queue.open();
        ensureTargets(queue);
        // The target first: killed between the two, the queue holds a
        // target of no run, which costs nothing.
        recordTarget(queue, run.uid, server);
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
