#include "archive/runwriter.h"

#include "archive/recordcodec.h"
#include "archive/sqlerror.h"

#include <QRandomGenerator>
#include <QThread>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <map>

namespace pleq::writer {

namespace {

// Statements inserting several rows of one table at once, one per row
// count, prepared when first needed: one statement of many rows costs the
// driver's round of executing once instead of per row (a run has 96 wells).
class RowStatements
{
public:
    // Under the 999 parameters of the most cautious SQLite build.
    static constexpr int MaxRows = 96;

    RowStatements(const QSqlDatabase& db, const QString& archiveName, const QString& head,
                  std::function<QString(int row)> tuple)
        : m_db(db)
        , m_name(archiveName)
        , m_head(head)
        , m_tuple(std::move(tuple))
    {
    }
    QSqlQuery& rows(int count)
    {
        auto found = m_statements.find(count);
        if (found != m_statements.end())
            return found->second;
        QStringList tuples;
        for (int i = 0; i < count; ++i)
            tuples.append(m_tuple(i));
        return m_statements.emplace(count, sql::prepare(m_db, m_head + tuples.join(QLatin1Char(',')), m_name))
            .first->second;
    }

private:
    QSqlDatabase m_db;
    QString m_name;
    QString m_head;
    std::function<QString(int row)> m_tuple;
    std::map<int, QSqlQuery> m_statements;
};

QString placeholders(int count)
{
    return QLatin1Char('(') + QStringList(count, QStringLiteral("?")).join(QLatin1Char(',')) + QLatin1Char(')');
}

// The 96 wells in scan order, as makeRunRecord makes them: their column,
// row and name go into the statement, not into its parameters.
bool wholePlate(const std::vector<ArchivedWell>& wells)
{
    if (wells.size() != 96)
        return false;
    for (size_t i = 0; i < 96; ++i)
        if (wells[i].col != int(i / 8) + 1 || wells[i].row != int(i % 8) + 1)
            return false;
    return true;
}

// The statements of one write transaction, prepared once for all its runs.
class Statements
{
public:
    Statements(const QSqlDatabase& db, const Dialect& dialect, const QString& name)
        : m_name(name)
        , m_run(sql::prepare(
              db,
              QString::fromLatin1(dialect.insertRunHead)
                  + QStringLiteral(
                      " (seq, uid, time, time_utc, executor, host, os_user, kit, plate_name, material,"
                      " sample_count, positive, negative, doubtful, valid, sample_names, labels, messages, log,"
                      " project_file, protocol, prev_hash, hash)"
                      " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                  + QString::fromLatin1(dialect.insertRunTail),
              name))
        , m_plates(db, name, wellsHead(),
                   [](int i) {
                       const int col = i / 8 + 1, row = i % 8 + 1;
                       return QStringLiteral("(?,%1,%2,'%3',?,?,?,?,?,?)")
                           .arg(col)
                           .arg(row)
                           .arg(TextGrid::rowLetter(row) + QString::number(col));
                   })
        , m_wells(db, name, wellsHead(), [](int) { return placeholders(10); })
        , m_samples(db, name, QStringLiteral("INSERT INTO run_samples (seq, position, number, name, quantity) VALUES "),
                    [](int) { return placeholders(5); })
        , m_controls(db, name, QStringLiteral("INSERT INTO run_controls (seq, position, control, mean, wells) VALUES "),
                     [](int) { return placeholders(5); })
        , m_existing(sql::prepare(db, QStringLiteral("SELECT seq FROM runs WHERE uid = ?"), name))
    {
    }

    // The run's row; false when the archive holds its uid already.
    bool insertRun(const RunRecord& run, qint64 seq, const QByteArray& previousHash, const QByteArray& hash)
    {
        int i = 0;
        const auto bind = [&](const QVariant& v) { m_run.bindValue(i++, v); };
        bind(seq);
        bind(run.uid);
        bind(runTimeText(run.time));
        bind(runTimeUtcText(run.time));
        bind(run.executor);
        bind(run.host);
        bind(run.osUser);
        bind(int(run.kit) + 1);
        bind(run.plateName);
        bind(run.material ? QVariant(*run.material) : codec::nullOf(QMetaType::Int));
        bind(run.sampleCount());
        bind(run.count(Verdict::Positive));
        bind(run.count(Verdict::Negative));
        bind(run.count(Verdict::Doubtful));
        bind(run.valid() ? 1 : 0);
        bind(codec::sampleNames(run));
        bind(codec::labelsText(run.labels));
        bind(codec::linesText(run.messages));
        bind(codec::linesText(run.log));
        bind(run.projectFile);
        bind(run.protocol);
        bind(QString::fromLatin1(previousHash));
        bind(QString::fromLatin1(hash));
        sql::exec(m_run, m_name);
        return m_run.numRowsAffected() != 0;
    }

    // The seq of the run the archive holds under `uid`, if any.
    std::optional<qint64> seqOf(const QString& uid)
    {
        m_existing.bindValue(0, uid);
        sql::exec(m_existing, m_name);
        std::optional<qint64> seq;
        if (m_existing.next())
            seq = m_existing.value(0).toLongLong();
        m_existing.finish();
        return seq;
    }

    void insertWells(qint64 seq, const std::vector<ArchivedWell>& wells)
    {
        const auto bindWell = [](QSqlQuery& q, int& b, const ArchivedWell& well) {
            q.bindValue(b++, well.layout);
            q.bindValue(b++, well.density);
            q.bindValue(b++, well.value ? QVariant(*well.value) : codec::nullOf(QMetaType::Double));
            q.bindValue(b++, codec::verdictText(well.verdict));
            q.bindValue(b++, codec::kindText(well.kind));
            q.bindValue(b++, well.sample ? QVariant(*well.sample) : codec::nullOf(QMetaType::Int));
        };
        if (wholePlate(wells)) {
            QSqlQuery& q = m_plates.rows(96);
            int b = 0;
            for (const ArchivedWell& well : wells) {
                q.bindValue(b++, seq);
                bindWell(q, b, well);
            }
            sql::exec(q, m_name);
            return;
        }
        for (size_t first = 0; first < wells.size(); first += RowStatements::MaxRows) {
            const size_t last = std::min(wells.size(), first + RowStatements::MaxRows);
            QSqlQuery& q = m_wells.rows(int(last - first));
            int b = 0;
            for (size_t w = first; w < last; ++w) {
                const ArchivedWell& well = wells[w];
                q.bindValue(b++, seq);
                q.bindValue(b++, well.col);
                q.bindValue(b++, well.row);
                q.bindValue(b++, well.name());
                bindWell(q, b, well);
            }
            sql::exec(q, m_name);
        }
    }

    void insertSamples(qint64 seq, const std::vector<ArchivedSample>& samples)
    {
        for (size_t first = 0; first < samples.size(); first += RowStatements::MaxRows) {
            const size_t last = std::min(samples.size(), first + RowStatements::MaxRows);
            QSqlQuery& q = m_samples.rows(int(last - first));
            int b = 0;
            for (size_t p = first; p < last; ++p) {
                const ArchivedSample& sample = samples[p];
                q.bindValue(b++, seq);
                q.bindValue(b++, qint64(p + 1));
                q.bindValue(b++, sample.number);
                q.bindValue(b++, sample.name);
                q.bindValue(b++, sample.quantity);
            }
            sql::exec(q, m_name);
        }
    }

    void insertControls(qint64 seq, const std::vector<ControlMean>& controls)
    {
        if (controls.empty())
            return;
        QSqlQuery& q = m_controls.rows(int(controls.size())); // a kit has at most six
        int b = 0;
        for (size_t p = 0; p < controls.size(); ++p) {
            const ControlMean& control = controls[p];
            q.bindValue(b++, seq);
            q.bindValue(b++, qint64(p + 1));
            q.bindValue(b++, control.control);
            q.bindValue(b++, control.mean);
            q.bindValue(b++, control.wells);
        }
        sql::exec(q, m_name);
    }

private:
    static QString wellsHead()
    {
        return QStringLiteral(
            "INSERT INTO run_wells (seq, col, row, well, layout, density, value, verdict, kind, sample) VALUES ");
    }

    QString m_name;
    QSqlQuery m_run;
    RowStatements m_plates, m_wells, m_samples, m_controls;
    QSqlQuery m_existing;
};

// The chain head, locked until the transaction ends: (seq, hash).
std::pair<qint64, QByteArray> lockHead(ArchiveConnection& connection)
{
    QSqlQuery head = sql::exec(connection.db(), QString::fromLatin1(connection.dialect().lockHead), connection.name());
    if (!head.next())
        throw connection.failure(QStringLiteral("нет головы цепочки (таблица chain_head пуста)"));
    std::pair<qint64, QByteArray> result{head.value(0).toLongLong(), head.value(1).toString().toLatin1()};
    head.finish();
    return result;
}

void setHead(ArchiveConnection& connection, qint64 seq, const QByteArray& hash)
{
    QSqlQuery update = sql::prepare(
        connection.db(), QStringLiteral("UPDATE chain_head SET seq = ?, hash = ? WHERE id = 1"), connection.name());
    update.bindValue(0, seq);
    update.bindValue(1, QString::fromLatin1(hash));
    sql::exec(update, connection.name());
}

} // namespace

std::vector<qint64> write(ArchiveConnection& connection, const std::vector<const RunRecord*>& records,
                          const std::vector<StoredRun>* copies, int* stored)
{
    if (stored)
        *stored = 0;
    const QSqlDatabase database = connection.db();
    const QString n = connection.name();
    std::vector<qint64> seqs;
    std::vector<const RunRecord*> runs = records;
    if (copies)
        for (const StoredRun& copy : *copies)
            runs.push_back(&copy.record);
    if (runs.empty())
        return seqs;
    sql::exec(database, QString::fromLatin1(connection.dialect().beginWrite), n);
    try {
        auto [headSeq, hash] = lockHead(connection);
        const qint64 startSeq = headSeq;
        if (!copies) {
            // An unfinished copy takes the copy's runs only: a run added meanwhile would stop it for good.
            QSqlQuery copy = sql::exec(database, QStringLiteral("SELECT value FROM meta WHERE key = 'copy_from'"), n);
            if (copy.next())
                throw ArchiveError(n, copy.value(0).toString(), ArchiveError::Form::UnfinishedCopy);
        }
        Statements statements(database, connection.dialect(), n);
        for (size_t r = 0; r < runs.size(); ++r) {
            const RunRecord& run = *runs[r];
            const StoredRun* copy = copies ? &(*copies)[r] : nullptr;
            if (run.uid.isEmpty())
                throw connection.failure(
                    QStringLiteral("у записи планшета «%1» нет идентификатора").arg(run.plateName));
            // A copy keeps its seq and links exactly as its source stored them.
            const qint64 next = copy ? copy->seq : headSeq + 1;
            const QByteArray previousHash = copy ? copy->previousHash : hash;
            const QByteArray nextHash = copy ? copy->hash : runHash(run, hash);
            if (!statements.insertRun(run, next, previousHash, nextHash)) {
                // The archive holds this uid: the run was sent before.
                const std::optional<qint64> held = statements.seqOf(run.uid);
                if (!held)
                    throw connection.failure(
                        QStringLiteral("запись %1 уже есть, а голова цепочки указывает на %2").arg(next).arg(headSeq));
                seqs.push_back(*held);
                continue;
            }
            statements.insertWells(next, run.wells);
            statements.insertSamples(next, run.samples);
            statements.insertControls(next, run.controls);
            headSeq = next;
            hash = nextHash;
            seqs.push_back(next);
            if (stored)
                ++*stored;
        }
        if (headSeq != startSeq)
            setHead(connection, headSeq, hash);
        sql::exec(database, QStringLiteral("COMMIT"), n);
    } catch (...) {
        sql::rollback(database);
        throw;
    }
    return seqs;
}

std::vector<qint64> retrying(ArchiveConnection& connection, const std::function<std::vector<qint64>()>& write)
{
    bool reconnected = false;
    for (int attempt = 1;; ++attempt) {
        try {
            connection.open();
            return write();
        } catch (const sql::Failure& failure) {
            if (connection.location().kind != ArchiveLocation::Kind::Postgres || attempt >= 5)
                throw;
            if (failure.retryable()) {
                QThread::msleep(QRandomGenerator::global()->bounded(5, 20) * attempt);
                continue;
            }
            QSqlQuery probe(connection.db());
            if (reconnected || probe.exec(QStringLiteral("SELECT 1")))
                throw;
            reconnected = true;
            connection.reset();
        }
    }
}

} // namespace pleq::writer
