#include "archive/journal.h"

#include "core/model/errors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace pleq {

namespace {

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
    QStringList where;
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
    if (!where.isEmpty())
        q.sql += QStringLiteral(" WHERE ") + where.join(QStringLiteral(" AND "));
    // By time the index on time_utc gives the order, so the first rows come
    // without sorting every run (ties within a millisecond stay unordered);
    // by another column runs of the same value follow in time order.
    q.sql += QStringLiteral(" ORDER BY ") + QLatin1String(columnName(filter.sortColumn)) + order;
    if (filter.sortColumn != JournalColumn::Time && filter.sortColumn != JournalColumn::Seq)
        q.sql += QStringLiteral(", time_utc") + order + QStringLiteral(", seq") + order;
    return q;
}

QStringList journalExecutors(const QSqlDatabase& db, const QString& archiveName)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT DISTINCT executor FROM runs WHERE executor IS NOT NULL AND executor <> '' "
                                   "ORDER BY executor")))
        throw Error(QStringLiteral("Архив %1: %2").arg(archiveName, query.lastError().text()));
    QStringList names;
    while (query.next())
        names << query.value(0).toString();
    return names;
}

} // namespace pleq
