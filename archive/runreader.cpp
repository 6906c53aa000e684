#include "archive/runreader.h"

#include "archive/recordcodec.h"
#include "archive/sqlerror.h"

#include <QVariant>

namespace pleq::reader {

namespace {

LoadedRun decodeRun(const QSqlQuery& q)
{
    LoadedRun loaded;
    StoredRun& s = loaded.stored;
    RunRecord& r = s.record;
    s.seq = q.value(0).toLongLong();
    r.uid = q.value(1).toString();
    r.time = QDateTime::fromString(q.value(2).toString(), Qt::ISODateWithMs);
    r.executor = q.value(3).toString();
    r.host = q.value(4).toString();
    r.osUser = q.value(5).toString();
    const int kit = q.value(6).toInt();
    if (kit < 1 || kit > KitCount)
        loaded.malformed = true;
    else
        r.kit = Kit(kit - 1);
    r.plateName = q.value(7).toString();
    if (!q.value(8).isNull())
        r.material = q.value(8).toInt();
    if (!codec::readLabels(q.value(9).toString(), r.labels) || !codec::readLines(q.value(10).toString(), r.messages)
        || !codec::readLines(q.value(11).toString(), r.log) || !r.time.isValid())
        loaded.malformed = true;
    r.projectFile = q.value(12).toByteArray();
    r.protocol = q.value(13).toByteArray();
    s.previousHash = q.value(14).toString().toLatin1();
    s.hash = q.value(15).toString().toLatin1();
    loaded.sampleCount = q.value(16).toLongLong();
    loaded.positive = q.value(17).toLongLong();
    loaded.negative = q.value(18).toLongLong();
    loaded.doubtful = q.value(19).toLongLong();
    loaded.valid = q.value(20).toLongLong();
    loaded.sampleNames = q.value(21).toString();
    loaded.timeUtc = q.value(22).toString();
    return loaded;
}

void decodeWell(LoadedRun& run, const QSqlQuery& c)
{
    ArchivedWell well;
    well.col = c.value(1).toInt();
    well.row = c.value(2).toInt();
    well.layout = c.value(3).toString();
    well.density = c.value(4).toString();
    if (!c.value(5).isNull())
        well.value = c.value(5).toDouble();
    if (!codec::readVerdict(c.value(6).toString(), well.verdict) || !codec::readKind(c.value(7).toString(), well.kind))
        run.malformed = true;
    if (!c.value(8).isNull())
        well.sample = c.value(8).toInt();
    // The well's name is stored beside its column and row, for a reader of
    // the tables; it must name that well.
    if (c.value(9).toString() != well.name())
        run.malformed = true;
    run.stored.record.wells.push_back(well);
}

} // namespace

std::vector<LoadedRun> load(ArchiveConnection& connection, qint64 from, qint64 to)
{
    const QSqlDatabase database = connection.db();
    const QString n = connection.name();
    std::vector<LoadedRun> runs;

    QSqlQuery q = sql::prepare(
        database,
        QStringLiteral("SELECT seq, uid, time, executor, host, os_user, kit, plate_name, material, labels, messages,"
                       " log, project_file, protocol, prev_hash, hash, sample_count, positive, negative, doubtful,"
                       " valid, sample_names, time_utc FROM runs WHERE seq BETWEEN ? AND ? ORDER BY seq"),
        n);
    q.bindValue(0, from);
    q.bindValue(1, to);
    sql::exec(q, n);
    while (q.next())
        runs.push_back(decodeRun(q));
    q.finish();
    if (runs.empty())
        return runs;

    // Child rows of the runs in [from, to], in the runs' order.
    const auto children = [&](const QString& statement, const auto& take) {
        QSqlQuery c = sql::prepare(database, statement, n);
        c.bindValue(0, from);
        c.bindValue(1, to);
        sql::exec(c, n);
        auto run = runs.begin();
        while (c.next()) {
            const qint64 seq = c.value(0).toLongLong();
            while (run != runs.end() && run->stored.seq < seq)
                ++run;
            if (run == runs.end())
                break;
            if (run->stored.seq == seq)
                take(*run, c);
        }
    };
    children(QStringLiteral("SELECT seq, col, row, layout, density, value, verdict, kind, sample, well FROM run_wells"
                            " WHERE seq BETWEEN ? AND ? ORDER BY seq, col, row"),
             decodeWell);
    children(
        QStringLiteral("SELECT seq, number, name, quantity FROM run_samples"
                       " WHERE seq BETWEEN ? AND ? ORDER BY seq, position"),
        [](LoadedRun& run, const QSqlQuery& c) {
            run.stored.record.samples.push_back({c.value(1).toString(), c.value(2).toString(), c.value(3).toString()});
        });
    children(
        QStringLiteral("SELECT seq, control, mean, wells FROM run_controls"
                       " WHERE seq BETWEEN ? AND ? ORDER BY seq, position"),
        [](LoadedRun& run, const QSqlQuery& c) {
            run.stored.record.controls.push_back({c.value(1).toString(), c.value(2).toDouble(), c.value(3).toInt()});
        });
    return runs;
}

std::vector<ControlPoint> controlSeries(ArchiveConnection& connection, Kit kit, const QDateTime& from,
                                        const QDateTime& to)
{
    QString statement = QStringLiteral("SELECT r.seq, r.time, c.control, c.mean FROM runs r"
                                       " JOIN run_controls c ON c.seq = r.seq WHERE r.kit = ?"
                                       // the chain's runs only: a row outside it is no run verify vouches for
                                       " AND r.seq BETWEEN 1 AND (SELECT seq FROM chain_head WHERE id = 1)");
    if (from.isValid())
        statement += QStringLiteral(" AND r.time_utc >= ?");
    if (to.isValid())
        statement += QStringLiteral(" AND r.time_utc <= ?");
    statement += QStringLiteral(" ORDER BY r.seq, c.position");
    QSqlQuery q = sql::prepare(connection.db(), statement, connection.name());
    int i = 0;
    q.bindValue(i++, int(kit) + 1);
    if (from.isValid())
        q.bindValue(i++, runTimeUtcText(from));
    if (to.isValid())
        q.bindValue(i++, runTimeUtcText(to));
    sql::exec(q, connection.name());
    std::vector<ControlPoint> points;
    while (q.next())
        points.push_back({q.value(0).toLongLong(), QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs),
                          q.value(2).toString(), q.value(3).toDouble()});
    return points;
}

} // namespace pleq::reader
