#include "archive/archive.h"

#include "archive/dialect.h"
#include "archive/schema.h"
#include "archive/sqlerror.h"

#include <QAtomicInt>
#include <QRandomGenerator>
#include <QThread>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDriver>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <map>

namespace pleq {

namespace {

QAtomicInt connectionCounter;

// A run read back with the journal's summary columns as stored, which verify
// checks against the content.
struct LoadedRun {
    StoredRun stored;
    qint64 sampleCount = 0, positive = 0, negative = 0, doubtful = 0, valid = 0;
    QString sampleNames;
    bool malformed = false; // a stored value that no record writes (a verdict "xyz", labels not JSON)
};

QVariant nullOf(QMetaType::Type type)
{
    return QVariant(QMetaType(type));
}

QString labelsJson(const std::array<SummaryLabel, LabelCount>& labels)
{
    QJsonArray array;
    for (const SummaryLabel& label : labels)
        array.append(QJsonObject{{QStringLiteral("text"), label.text},
                                 {QStringLiteral("color"), QString::fromLatin1(labelColorName(label.color))},
                                 {QStringLiteral("visible"), label.visible}});
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

bool readLabels(const QString& json, std::array<SummaryLabel, LabelCount>& labels)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isArray() || doc.array().size() != LabelCount)
        return false;
    for (int i = 0; i < LabelCount; ++i) {
        const QJsonObject o = doc.array().at(i).toObject();
        SummaryLabel& label = labels[size_t(i)];
        label.text = o.value(QLatin1String("text")).toString();
        const QString color = o.value(QLatin1String("color")).toString();
        if (color == QLatin1String("green"))
            label.color = LabelColor::Green;
        else if (color == QLatin1String("red"))
            label.color = LabelColor::Red;
        else if (color == QLatin1String("default"))
            label.color = LabelColor::Default;
        else
            return false;
        label.visible = o.value(QLatin1String("visible")).toBool();
    }
    return true;
}

QString linesJson(const QStringList& lines)
{
    return QString::fromUtf8(QJsonDocument(QJsonArray::fromStringList(lines)).toJson(QJsonDocument::Compact));
}

bool readLines(const QString& json, QStringList& lines)
{
    const QJsonDocument doc = QJsonDocument::fromJson(json.toUtf8());
    if (!doc.isArray())
        return false;
    for (const QJsonValue& v : doc.array()) {
        if (!v.isString())
            return false;
        lines.append(v.toString());
    }
    return true;
}

bool readVerdict(const QString& name, Verdict& verdict)
{
    for (Verdict v : {Verdict::None, Verdict::Positive, Verdict::Negative, Verdict::Doubtful})
        if (name == QLatin1String(verdictName(v))) {
            verdict = v;
            return true;
        }
    return false;
}

bool readKind(const QString& name, WellKind& kind)
{
    for (WellKind k : {WellKind::Empty, WellKind::Control, WellKind::Sample})
        if (name == QLatin1String(kindName(k))) {
            kind = k;
            return true;
        }
    return false;
}

QString sampleNames(const RunRecord& record)
{
    QStringList names;
    for (const ArchivedSample& sample : record.samples)
        names.append(sample.name);
    return names.join(QLatin1Char('\n'));
}

// "12 записей", "1 запись", "3 записи".
QString runsText(qint64 n)
{
    const qint64 tens = n % 100, ones = n % 10;
    const char* word = (tens >= 11 && tens <= 14) ? "записей"
                       : ones == 1                  ? "запись"
                       : (ones >= 2 && ones <= 4)   ? "записи"
                                                    : "записей";
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(word);
}

QString runTitle(const StoredRun& run)
{
    return QStringLiteral("Запись %1 (планшет «%2», %3)")
        .arg(run.seq)
        .arg(run.record.plateName, run.record.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

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
        : m_db(db), m_name(archiveName), m_head(head), m_tuple(std::move(tuple))
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

const QString& verdictText(Verdict verdict)
{
    static const QString texts[] = {QLatin1String(verdictName(Verdict::None)), QLatin1String(verdictName(Verdict::Positive)),
                                    QLatin1String(verdictName(Verdict::Negative)),
                                    QLatin1String(verdictName(Verdict::Doubtful))};
    return texts[int(verdict)];
}

const QString& kindText(WellKind kind)
{
    static const QString texts[] = {QLatin1String(kindName(WellKind::Empty)), QLatin1String(kindName(WellKind::Control)),
                                    QLatin1String(kindName(WellKind::Sample))};
    return texts[int(kind)];
}

} // namespace

struct Archive::Private {
    ArchiveLocation location;
    const Dialect& dialect;
    QString connection;
    bool opened = false;

    QString name() const { return location.displayName(); }
    QSqlDatabase db() const { return QSqlDatabase::database(connection, false); }
    Error failure(const QString& reason) const { return sql::archiveError(name(), reason); }

    std::vector<LoadedRun> load(qint64 from, qint64 to);
    // Appends `runs`, or with `copies` the runs of another archive as stored there.
    std::vector<qint64> write(const std::vector<const RunRecord*>& runs, const std::vector<StoredRun>* copies = nullptr);
    template<class Write>
    std::vector<qint64> retrying(Archive& archive, const Write& write);
};

// A write to PostgreSQL that failed for a reason that passes is run again: a
// serialization failure or deadlock at once (after a short pause), a
// connection that was lost (the server restarted since the archive was
// opened) once on a new connection; an append sent twice is stored once, by
// its uid. Everything else, and SQLite, throws at the first failure.
template<class Write>
std::vector<qint64> Archive::Private::retrying(Archive& archive, const Write& write)
{
    bool reconnected = false;
    for (int attempt = 1;; ++attempt) {
        try {
            archive.open();
            return write();
        } catch (const sql::Failure& failure) {
            if (location.kind != ArchiveLocation::Kind::Postgres || attempt >= 5)
                throw;
            if (failure.retryable()) {
                QThread::msleep(QRandomGenerator::global()->bounded(5, 20) * attempt);
                continue;
            }
            QSqlQuery probe(db());
            if (reconnected || probe.exec(QStringLiteral("SELECT 1")))
                throw;
            reconnected = true;
            db().close();
            opened = false;
        }
    }
}

Archive::Archive(ArchiveLocation location)
{
    const Dialect& dialect = dialectFor(location.kind);
    d.reset(new Private{std::move(location), dialect,
                        QStringLiteral("pleq-archive-%1").arg(connectionCounter.fetchAndAddRelaxed(1))});
}

Archive::~Archive()
{
    if (QSqlDatabase::contains(d->connection)) {
        d->db().close();
        QSqlDatabase::removeDatabase(d->connection);
    }
}

const ArchiveLocation& Archive::location() const
{
    return d->location;
}

QString Archive::connectionName() const
{
    return d->connection;
}

void Archive::open()
{
    if (d->opened)
        return;
    const QString driver = QString::fromLatin1(d->dialect.driver);
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw d->failure(QStringLiteral("нет драйвера Qt SQL %1 (пакет %2)")
                             .arg(driver, QString::fromLatin1(d->dialect.package)));
    QSqlDatabase db = QSqlDatabase::contains(d->connection) ? d->db()
                                                             : QSqlDatabase::addDatabase(driver, d->connection);
    if (d->location.kind == ArchiveLocation::Kind::Sqlite) {
        // The folder of a new archive is made on first use, as the file is.
        const QFileInfo file(d->location.path);
        if (!file.exists())
            QDir().mkpath(file.absolutePath());
        if (file.isDir())
            throw d->failure(QStringLiteral("это папка, а не файл архива"));
        db.setDatabaseName(d->location.path);
    } else {
        db.setHostName(d->location.host);
        db.setPort(d->location.port);
        db.setUserName(d->location.user);
        db.setDatabaseName(d->location.database);
    }
    db.setConnectOptions(QString::fromLatin1(d->dialect.connectOptions));
    if (!db.isOpen() && !db.open())
        throw d->failure(sql::failureReason(db.lastError()));
    try {
        for (const QString& statement : d->dialect.sessionSetup)
            sql::exec(db, statement, d->name());
        schema::upgrade(db, d->dialect, d->name());
    } catch (...) {
        db.close();
        throw;
    }
    d->opened = true;
}

qint64 Archive::append(const RunRecord& run)
{
    return d->retrying(*this, [&] { return d->write({&run}); }).front();
}

std::vector<qint64> Archive::append(const std::vector<RunRecord>& runs)
{
    std::vector<const RunRecord*> pointers;
    pointers.reserve(runs.size());
    for (const RunRecord& run : runs)
        pointers.push_back(&run);
    return d->retrying(*this, [&] { return d->write(pointers); });
}

void Archive::appendCopies(const std::vector<StoredRun>& runs)
{
    d->retrying(*this, [&] { return d->write({}, &runs); });
}

std::vector<qint64> Archive::Private::write(const std::vector<const RunRecord*>& records,
                                            const std::vector<StoredRun>* copies)
{
    const QSqlDatabase database = db();
    const QString n = name();
    std::vector<qint64> seqs;
    std::vector<const RunRecord*> runs = records;
    if (copies)
        for (const StoredRun& copy : *copies)
            runs.push_back(&copy.record);
    if (runs.empty())
        return seqs;
    sql::exec(database, QString::fromLatin1(dialect.beginWrite), n);
    try {
        QSqlQuery head = sql::exec(database, QString::fromLatin1(dialect.lockHead), n);
        if (!head.next())
            throw failure(QStringLiteral("нет головы цепочки (таблица chain_head пуста)"));
        qint64 seq = head.value(0).toLongLong();
        QByteArray hash = head.value(1).toString().toLatin1();
        head.finish();

        QSqlQuery insertRun = sql::prepare(
            database,
            QString::fromLatin1(dialect.insertRunHead)
                + QStringLiteral(" (seq, uid, time, time_utc, executor, host, os_user, kit, plate_name, material,"
                                 " sample_count, positive, negative, doubtful, valid, sample_names, labels, messages, log,"
                                 " project_file, protocol, prev_hash, hash)"
                                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                + QString::fromLatin1(dialect.insertRunTail),
            n);
        const QString wellsHead = QStringLiteral(
            "INSERT INTO run_wells (seq, col, row, well, layout, density, value, verdict, kind, sample) VALUES ");
        RowStatements plates(database, n, wellsHead, [](int i) {
            const int col = i / 8 + 1, row = i % 8 + 1;
            return QStringLiteral("(?,%1,%2,'%3',?,?,?,?,?,?)").arg(col).arg(row).arg(TextGrid::rowLetter(row) + QString::number(col));
        });
        RowStatements wells(database, n, wellsHead, [](int) { return placeholders(10); });
        RowStatements samples(database, n,
                              QStringLiteral("INSERT INTO run_samples (seq, position, number, name, quantity) VALUES "),
                              [](int) { return placeholders(5); });
        RowStatements controls(database, n,
                               QStringLiteral("INSERT INTO run_controls (seq, position, control, mean, wells) VALUES "),
                               [](int) { return placeholders(5); });
        QSqlQuery existing = sql::prepare(database, QStringLiteral("SELECT seq FROM runs WHERE uid = ?"), n);

        qint64 headSeq = seq;
        for (size_t r = 0; r < runs.size(); ++r) {
            const RunRecord* run = runs[r];
            const StoredRun* copy = copies ? &(*copies)[r] : nullptr;
            if (run->uid.isEmpty())
                throw failure(QStringLiteral("у записи планшета «%1» нет идентификатора").arg(run->plateName));
            // A copy keeps its seq and links exactly as its source stored them.
            const qint64 next = copy ? copy->seq : headSeq + 1;
            const QByteArray previousHash = copy ? copy->previousHash : hash;
            const QByteArray nextHash = copy ? copy->hash : runHash(*run, hash);
            int i = 0;
            const auto bind = [&](const QVariant& v) { insertRun.bindValue(i++, v); };
            bind(next);
            bind(run->uid);
            bind(runTimeText(run->time));
            bind(runTimeUtcText(run->time));
            bind(run->executor);
            bind(run->host);
            bind(run->osUser);
            bind(int(run->kit) + 1);
            bind(run->plateName);
            bind(run->material ? QVariant(*run->material) : nullOf(QMetaType::Int));
            bind(run->sampleCount());
            bind(run->count(Verdict::Positive));
            bind(run->count(Verdict::Negative));
            bind(run->count(Verdict::Doubtful));
            bind(run->valid() ? 1 : 0);
            bind(sampleNames(*run));
            bind(labelsJson(run->labels));
            bind(linesJson(run->messages));
            bind(linesJson(run->log));
            bind(run->projectFile);
            bind(run->protocol);
            bind(QString::fromLatin1(previousHash));
            bind(QString::fromLatin1(nextHash));
            sql::exec(insertRun, n);
            if (insertRun.numRowsAffected() == 0) {
                // The archive holds this uid: the run was sent before.
                existing.bindValue(0, run->uid);
                sql::exec(existing, n);
                if (!existing.next())
                    throw failure(QStringLiteral("запись %1 уже есть, а голова цепочки указывает на %2")
                                      .arg(next)
                                      .arg(headSeq));
                seqs.push_back(existing.value(0).toLongLong());
                existing.finish();
                continue;
            }
            const auto bindWell = [&](QSqlQuery& q, int& b, const ArchivedWell& well) {
                q.bindValue(b++, well.layout);
                q.bindValue(b++, well.density);
                q.bindValue(b++, well.value ? QVariant(*well.value) : nullOf(QMetaType::Double));
                q.bindValue(b++, verdictText(well.verdict));
                q.bindValue(b++, kindText(well.kind));
                q.bindValue(b++, well.sample ? QVariant(*well.sample) : nullOf(QMetaType::Int));
            };
            if (wholePlate(run->wells)) {
                QSqlQuery& q = plates.rows(96);
                int b = 0;
                for (const ArchivedWell& well : run->wells) {
                    q.bindValue(b++, next);
                    bindWell(q, b, well);
                }
                sql::exec(q, n);
            } else {
                for (size_t first = 0; first < run->wells.size(); first += RowStatements::MaxRows) {
                    const size_t last = std::min(run->wells.size(), first + RowStatements::MaxRows);
                    QSqlQuery& q = wells.rows(int(last - first));
                    int b = 0;
                    for (size_t w = first; w < last; ++w) {
                        const ArchivedWell& well = run->wells[w];
                        q.bindValue(b++, next);
                        q.bindValue(b++, well.col);
                        q.bindValue(b++, well.row);
                        q.bindValue(b++, well.name());
                        bindWell(q, b, well);
                    }
                    sql::exec(q, n);
                }
            }
            for (size_t first = 0; first < run->samples.size(); first += RowStatements::MaxRows) {
                const size_t last = std::min(run->samples.size(), first + RowStatements::MaxRows);
                QSqlQuery& q = samples.rows(int(last - first));
                int b = 0;
                for (size_t p = first; p < last; ++p) {
                    const ArchivedSample& sample = run->samples[p];
                    q.bindValue(b++, next);
                    q.bindValue(b++, qint64(p + 1));
                    q.bindValue(b++, sample.number);
                    q.bindValue(b++, sample.name);
                    q.bindValue(b++, sample.quantity);
                }
                sql::exec(q, n);
            }
            if (!run->controls.empty()) {
                QSqlQuery& q = controls.rows(int(run->controls.size())); // a kit has at most six
                int b = 0;
                for (size_t p = 0; p < run->controls.size(); ++p) {
                    const ControlMean& control = run->controls[p];
                    q.bindValue(b++, next);
                    q.bindValue(b++, qint64(p + 1));
                    q.bindValue(b++, control.control);
                    q.bindValue(b++, control.mean);
                    q.bindValue(b++, control.wells);
                }
                sql::exec(q, n);
            }
            headSeq = next;
            hash = nextHash;
            seqs.push_back(next);
        }
        if (headSeq != seq) {
            QSqlQuery update = sql::prepare(database, QStringLiteral("UPDATE chain_head SET seq = ?, hash = ? WHERE id = 1"), n);
            update.bindValue(0, headSeq);
            update.bindValue(1, QString::fromLatin1(hash));
            sql::exec(update, n);
        }
        sql::exec(database, QStringLiteral("COMMIT"), n);
    } catch (...) {
        QSqlQuery(database).exec(QStringLiteral("ROLLBACK"));
        throw;
    }
    return seqs;
}

qint64 Archive::runCount()
{
    open();
    QSqlQuery query = sql::exec(d->db(), QStringLiteral("SELECT COUNT(*) FROM runs"), d->name());
    return query.next() ? query.value(0).toLongLong() : 0;
}

std::vector<LoadedRun> Archive::Private::load(qint64 from, qint64 to)
{
    const QSqlDatabase database = db();
    const QString n = name();
    std::vector<LoadedRun> runs;

    QSqlQuery q = sql::prepare(
        database,
        QStringLiteral("SELECT seq, uid, time, executor, host, os_user, kit, plate_name, material, labels, messages,"
                       " log, project_file, protocol, prev_hash, hash, sample_count, positive, negative, doubtful,"
                       " valid, sample_names FROM runs WHERE seq BETWEEN ? AND ? ORDER BY seq"),
        n);
    q.bindValue(0, from);
    q.bindValue(1, to);
    sql::exec(q, n);
    while (q.next()) {
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
        if (!readLabels(q.value(9).toString(), r.labels) || !readLines(q.value(10).toString(), r.messages)
            || !readLines(q.value(11).toString(), r.log) || !r.time.isValid())
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
        runs.push_back(std::move(loaded));
    }
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
    children(QStringLiteral("SELECT seq, col, row, layout, density, value, verdict, kind, sample FROM run_wells"
                            " WHERE seq BETWEEN ? AND ? ORDER BY seq, col, row"),
             [](LoadedRun& run, const QSqlQuery& c) {
                 ArchivedWell well;
                 well.col = c.value(1).toInt();
                 well.row = c.value(2).toInt();
                 well.layout = c.value(3).toString();
                 well.density = c.value(4).toString();
                 if (!c.value(5).isNull())
                     well.value = c.value(5).toDouble();
                 if (!readVerdict(c.value(6).toString(), well.verdict) || !readKind(c.value(7).toString(), well.kind))
                     run.malformed = true;
                 if (!c.value(8).isNull())
                     well.sample = c.value(8).toInt();
                 run.stored.record.wells.push_back(well);
             });
    children(QStringLiteral("SELECT seq, number, name, quantity FROM run_samples"
                            " WHERE seq BETWEEN ? AND ? ORDER BY seq, position"),
             [](LoadedRun& run, const QSqlQuery& c) {
                 run.stored.record.samples.push_back(
                     {c.value(1).toString(), c.value(2).toString(), c.value(3).toString()});
             });
    children(QStringLiteral("SELECT seq, control, mean, wells FROM run_controls"
                            " WHERE seq BETWEEN ? AND ? ORDER BY seq, position"),
             [](LoadedRun& run, const QSqlQuery& c) {
                 run.stored.record.controls.push_back(
                     {c.value(1).toString(), c.value(2).toDouble(), c.value(3).toInt()});
             });
    return runs;
}

std::vector<StoredRun> Archive::runs(qint64 from, qint64 to)
{
    open();
    std::vector<StoredRun> runs;
    for (LoadedRun& loaded : d->load(from, to))
        runs.push_back(std::move(loaded.stored));
    return runs;
}

std::optional<StoredRun> Archive::run(qint64 seq)
{
    open();
    std::vector<LoadedRun> runs = d->load(seq, seq);
    if (runs.empty())
        return std::nullopt;
    return std::move(runs.front().stored);
}

VerifyReport Archive::verify()
{
    open();
    const QString n = d->name();
    VerifyReport report;
    const auto bad = [&](qint64 seq, const QString& message) {
        report.firstBad = seq;
        report.message = message;
        return report;
    };

    QSqlQuery head = sql::exec(d->db(), QStringLiteral("SELECT seq, hash FROM chain_head WHERE id = 1"), n);
    if (!head.next())
        return bad(1, QStringLiteral("Нет головы цепочки (таблица chain_head пуста): архив изменен."));
    const qint64 headSeq = head.value(0).toLongLong();
    const QByteArray headHash = head.value(1).toString().toLatin1();
    head.finish();
    QSqlQuery range = sql::exec(d->db(), QStringLiteral("SELECT MAX(seq) FROM runs"), n);
    const qint64 last = range.next() ? range.value(0).toLongLong() : 0;
    range.finish();

    // Runs are read in slices of seq so that a large archive is checked in little memory.
    constexpr qint64 Slice = 256;
    qint64 expected = 1;
    QByteArray previous;
    for (qint64 from = 1; from <= std::max(last, qint64(0)); from += Slice) {
        for (LoadedRun& loaded : d->load(from, from + Slice - 1)) {
            const StoredRun& s = loaded.stored;
            const RunRecord& r = s.record;
            if (s.seq != expected || s.previousHash != previous)
                return bad(s.seq, QStringLiteral("Перед записью %1 удалена или переставлена запись: "
                                                 "цепочка разорвана.")
                                      .arg(s.seq));
            const bool summaryChanged = loaded.sampleCount != r.sampleCount()
                                        || loaded.positive != r.count(Verdict::Positive)
                                        || loaded.negative != r.count(Verdict::Negative)
                                        || loaded.doubtful != r.count(Verdict::Doubtful)
                                        || loaded.valid != (r.valid() ? 1 : 0) || loaded.sampleNames != sampleNames(r);
            if (loaded.malformed || summaryChanged || runHash(r, previous) != s.hash)
                return bad(s.seq, runTitle(s) + QStringLiteral(": содержимое изменено."));
            previous = s.hash;
            ++expected;
            ++report.runs;
        }
    }
    if (headSeq != report.runs || headHash != previous) {
        if (headSeq > report.runs)
            return bad(report.runs + 1, QStringLiteral("После записи %1 удалены записи: архив помнит их до записи %2.")
                                            .arg(report.runs)
                                            .arg(headSeq));
        return bad(report.runs, QStringLiteral("Голова цепочки не совпадает с последней записью %1: архив изменен.")
                                    .arg(report.runs));
    }
    if (report.runs == 0)
        report.message = QStringLiteral("Архив пуст: записей нет.");
    else if (report.runs == 1)
        report.message = QStringLiteral("Единственная запись архива цела.");
    else if (report.runs % 10 == 1 && report.runs % 100 != 11)
        report.message = QStringLiteral("Все записи архива целы (%1).").arg(runsText(report.runs)); // not "все 21 запись"
    else
        report.message = QStringLiteral("Все %1 архива целы.").arg(runsText(report.runs));
    return report;
}

std::vector<ControlPoint> Archive::controlSeries(Kit kit, const QDateTime& from, const QDateTime& to)
{
    open();
    QString statement = QStringLiteral("SELECT r.seq, r.time, c.control, c.mean FROM runs r"
                                       " JOIN run_controls c ON c.seq = r.seq WHERE r.kit = ?");
    if (from.isValid())
        statement += QStringLiteral(" AND r.time_utc >= ?");
    if (to.isValid())
        statement += QStringLiteral(" AND r.time_utc <= ?");
    statement += QStringLiteral(" ORDER BY r.seq, c.position");
    QSqlQuery q = sql::prepare(d->db(), statement, d->name());
    int i = 0;
    q.bindValue(i++, int(kit) + 1);
    if (from.isValid())
        q.bindValue(i++, runTimeUtcText(from));
    if (to.isValid())
        q.bindValue(i++, runTimeUtcText(to));
    sql::exec(q, d->name());
    std::vector<ControlPoint> points;
    while (q.next())
        points.push_back({q.value(0).toLongLong(), QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs),
                          q.value(2).toString(), q.value(3).toDouble()});
    return points;
}

} // namespace pleq
