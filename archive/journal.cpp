#include "archive/journal.h"

#include "archive/anchor.h"
#include "archive/connection.h"
#include "archive/sqlerror.h"

namespace pleq {

namespace {

// The runs of the chain, 1 to its head. "+seq" keeps the term off the key's
// index, so that the planner still reads the runs in the order of the index
// the journal sorts by (time, executor) instead of sorting them all first.
const char* const ChainRuns = "+seq BETWEEN 1 AND (SELECT seq FROM chain_head WHERE id = 1)";

// The database column of each journal column; only these names reach ORDER BY.
const char* columnName(JournalColumn column)
{
    switch (column) {
    case JournalColumn::Seq: return "seq";
    case JournalColumn::Time: return "time_utc";
    case JournalColumn::Executor: return "executor";
    case JournalColumn::Kit: return "kit";
    case JournalColumn::PlateName: return "plate_name";
    case JournalColumn::SampleCount: return "sample_count";
    case JournalColumn::Positive: return "positive";
    case JournalColumn::Negative: return "negative";
    case JournalColumn::Doubtful: return "doubtful";
    case JournalColumn::Valid: return "valid";
    }
    return "time_utc";
}

} // namespace

QString utcText(const QDateTime& time)
{
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzzZ"));
}

JournalQuery journalQuery(const JournalFilter& filter, ArchiveLocation::Kind server)
{
    JournalQuery q;
    // Only the chain's runs: a row numbered outside it is no run that verify vouches for.
    QStringList where{QLatin1String(ChainRuns)};
    if (filter.from.isValid()) {
        where << QStringLiteral("time_utc >= ?");
        q.values << utcText(filter.from);
    }
    if (filter.to.isValid()) {
        where << QStringLiteral("time_utc < ?");
        q.values << utcText(filter.to);
    }
    if (filter.kit) {
        where << QStringLiteral("kit = ?");
        q.values << int(*filter.kit) + 1;
    }
    if (!filter.executor.isEmpty()) {
        where << QStringLiteral("executor = ?");
        q.values << filter.executor;
    }
    if (!filter.sampleSearch.isEmpty()) {
        // A plain part of the text: no LIKE, so "%" and "_" are found as typed.
        where << (server == ArchiveLocation::Kind::Postgres ? QStringLiteral("strpos(sample_names, ?) > 0")
                                                            : QStringLiteral("instr(sample_names, ?) > 0"));
        q.values << filter.sampleSearch;
    }
    const QString order = filter.descending ? QStringLiteral(" DESC") : QStringLiteral(" ASC");
    q.sql = QStringLiteral("SELECT seq, time_utc, executor, kit, plate_name, sample_count, positive, negative, "
                           "doubtful, valid FROM runs");
    q.sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    // By time the index on time_utc gives the order, so the first rows come
    // without sorting every run (ties within a millisecond stay unordered);
    // by another column runs of the same value follow in time order.
    q.sql += QStringLiteral(" ORDER BY ") + QLatin1String(columnName(filter.sortColumn)) + order;
    if (filter.sortColumn != JournalColumn::Time && filter.sortColumn != JournalColumn::Seq)
        q.sql += QStringLiteral(", time_utc") + order + QStringLiteral(", seq") + order;
    return q;
}

struct JournalReader::Private {
    ArchiveConnection connection;
    QSqlQuery query;
    bool more = false; // the query has rows not read yet
};

JournalReader::JournalReader(const ArchiveLocation& location)
    : d(new Private{ArchiveConnection(location), QSqlQuery(), false})
{
    d->connection.limitStatements(ReadLimitMs);
}

JournalReader::~JournalReader()
{
    close(); // the query before its connection
}

const ArchiveLocation& JournalReader::location() const
{
    return d->connection.location();
}

void JournalReader::open()
{
    d->connection.open();
}

void JournalReader::restart()
{
    close();
    if (d->connection.location().kind == ArchiveLocation::Kind::Postgres)
        d->connection.reset();
}

void JournalReader::select(const JournalFilter& filter)
{
    const JournalQuery q = journalQuery(filter, d->connection.location().kind);
    close(); // the earlier query ends before the next begins
    open();
    // Its rows are read as the table scrolls: the statement lasts that long.
    d->connection.applyStatementLimit(0);
    QSqlQuery query(d->connection.db());
    query.setForwardOnly(true);
    const bool ran = [&] {
        // Without values the text runs as it is: PostgreSQL's driver streams
        // the rows of a plain forward-only query, not those of a prepared one.
        if (q.values.isEmpty())
            return query.exec(q.sql);
        if (!query.prepare(q.sql))
            return false;
        for (const QVariant& value : q.values)
            query.addBindValue(value);
        return query.exec();
    }();
    if (!ran)
        throw sql::Failure(d->connection.name(), query.lastError());
    d->query = std::move(query);
    d->more = true;
}

std::vector<JournalRow> JournalReader::read(int count)
{
    std::vector<JournalRow> rows;
    while (d->more && int(rows.size()) < count) {
        if (!d->query.next()) {
            d->more = false;
            const QSqlError error = d->query.lastError();
            d->query = QSqlQuery();
            if (error.isValid())
                throw sql::Failure(d->connection.name(), error);
            break;
        }
        JournalRow row;
        for (int c = 0; c < JournalColumnCount; ++c)
            row[size_t(c)] = d->query.value(c);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool JournalReader::more() const
{
    return d->more;
}

void JournalReader::close()
{
    d->query = QSqlQuery();
    d->more = false;
}

QString JournalReader::headAnchor()
{
    close();
    open();
    QSqlQuery query = sql::exec(
        d->connection.db(),
        QStringLiteral("SELECT seq, time_utc, hash FROM runs WHERE seq = (SELECT seq FROM chain_head WHERE id = 1)"),
        d->connection.name());
    if (!query.next())
        return {};
    return anchorLine(query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toString().toLatin1());
}

QStringList JournalReader::executors()
{
    close();
    open();
    QSqlQuery query = sql::exec(d->connection.db(),
                                QStringLiteral("SELECT DISTINCT executor FROM runs WHERE executor IS NOT NULL AND "
                                               "executor <> '' AND %1 ORDER BY executor")
                                    .arg(QLatin1String(ChainRuns)),
                                d->connection.name());
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

} // namespace pleq
