#include "archive/archive.h"

#include "archive/connection.h"
#include "archive/runreader.h"
#include "archive/runwriter.h"
#include "archive/sqlerror.h"
#include "archive/verifier.h"

#include <QVariant>

namespace pleq {

struct Archive::Private {
    ArchiveConnection connection;
};

Archive::Archive(ArchiveLocation location)
    : d(new Private{ArchiveConnection(std::move(location))})
{
}

Archive::~Archive() = default;

const ArchiveLocation& Archive::location() const
{
    return d->connection.location();
}

QString Archive::connectionName() const
{
    return d->connection.connectionName();
}

void Archive::open()
{
    d->connection.open();
}

void Archive::limitReads()
{
    d->connection.limitStatements(ReadLimitMs);
}

qint64 Archive::append(const RunRecord& run)
{
    return writer::retrying(d->connection, [&] { return writer::write(d->connection, {&run}); }).front();
}

std::vector<qint64> Archive::append(const std::vector<RunRecord>& runs, int* stored)
{
    std::vector<const RunRecord*> pointers;
    pointers.reserve(runs.size());
    for (const RunRecord& run : runs)
        pointers.push_back(&run);
    return writer::retrying(d->connection, [&] { return writer::write(d->connection, pointers, nullptr, stored); });
}

void Archive::appendCopies(const std::vector<StoredRun>& runs)
{
    writer::retrying(d->connection, [&] { return writer::write(d->connection, {}, &runs); });
}

bool Archive::openForReading()
{
    d->connection.open(false);
    return d->connection.holdsArchive();
}

qint64 Archive::runCount()
{
    if (!openForReading())
        return 0;
    QSqlQuery query = sql::exec(d->connection.db(), QStringLiteral("SELECT COUNT(*) FROM runs"), d->connection.name());
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::optional<qint64> Archive::seqOf(const QString& uid)
{
    if (!openForReading())
        return std::nullopt;
    QSqlQuery query =
        sql::prepare(d->connection.db(), QStringLiteral("SELECT seq FROM runs WHERE uid = ?"), d->connection.name());
    query.addBindValue(uid);
    sql::exec(query, d->connection.name());
    if (!query.next())
        return std::nullopt;
    return query.value(0).toLongLong();
}

std::vector<StoredRun> Archive::runs(qint64 from, qint64 to)
{
    std::vector<StoredRun> runs;
    if (!openForReading())
        return runs;
    for (reader::LoadedRun& loaded : reader::load(d->connection, from, to))
        runs.push_back(std::move(loaded.stored));
    return runs;
}

std::optional<StoredRun> Archive::run(qint64 seq)
{
    if (!openForReading())
        return std::nullopt;
    std::vector<reader::LoadedRun> runs = reader::load(d->connection, seq, seq);
    if (runs.empty())
        return std::nullopt;
    return std::move(runs.front().stored);
}

VerifyReport Archive::verify()
{
    // Verify never makes an archive: an empty database stays empty.
    d->connection.open(false);
    return verifyChain(d->connection);
}

VerifyReport Archive::verifyAfter(qint64 seq, const QByteArray& hash)
{
    d->connection.open(false);
    return verifyChain(d->connection, seq, hash);
}

QString Archive::unfinishedCopy()
{
    if (!openForReading())
        return {};
    QSqlQuery query = sql::exec(d->connection.db(), QStringLiteral("SELECT value FROM meta WHERE key = 'copy_from'"),
                                d->connection.name());
    return query.next() ? query.value(0).toString() : QString();
}

void Archive::beginCopy(const QString& source)
{
    endCopy(); // an empty archive left by a copy from elsewhere
    QSqlQuery query =
        sql::prepare(d->connection.db(), QStringLiteral("INSERT INTO meta (key, value) VALUES ('copy_from', ?)"),
                     d->connection.name());
    query.addBindValue(source);
    sql::exec(query, d->connection.name());
}

void Archive::endCopy()
{
    open();
    sql::exec(d->connection.db(), QStringLiteral("DELETE FROM meta WHERE key = 'copy_from'"), d->connection.name());
}

std::vector<ControlPoint> Archive::controlSeries(Kit kit, const QDateTime& from, const QDateTime& to)
{
    if (!openForReading())
        return {};
    return reader::controlSeries(d->connection, kit, from, to);
}

} // namespace pleq
