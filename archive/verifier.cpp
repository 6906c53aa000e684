#include "archive/verifier.h"

#include "archive/recordcodec.h"
#include "archive/runreader.h"
#include "archive/sqlerror.h"

#include <QVariant>

#include <algorithm>
#include <optional>

namespace pleq {

namespace {

// "12 записей", "1 запись", "3 записи".
QString runsText(qint64 n)
{
    const qint64 tens = n % 100, ones = n % 10;
    const char* word = (tens >= 11 && tens <= 14) ? "записей"
                       : ones == 1                ? "запись"
                       : (ones >= 2 && ones <= 4) ? "записи"
                                                  : "записей";
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(word);
}

QString runTitle(const StoredRun& run)
{
    return QStringLiteral("Запись %1 (планшет «%2», %3)")
        .arg(run.seq)
        .arg(run.record.plateName, run.record.time.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

QString intactMessage(qint64 runs)
{
    if (runs == 0)
        return QStringLiteral("Архив пуст: записей нет.");
    if (runs == 1)
        return QStringLiteral("Единственная запись архива цела.");
    if (runs % 10 == 1 && runs % 100 != 11)
        return QStringLiteral("Все записи архива целы (%1).").arg(runsText(runs)); // not "все 21 запись"
    return QStringLiteral("Все %1 архива целы.").arg(runsText(runs));
}

// The columns stored beside the hashed content (the journal's summary, its
// time in UTC) as the content gives them.
bool summaryMatches(const reader::LoadedRun& loaded)
{
    const RunRecord& r = loaded.stored.record;
    return loaded.timeUtc == runTimeUtcText(r.time) && loaded.sampleCount == r.sampleCount()
           && loaded.positive == r.count(Verdict::Positive) && loaded.negative == r.count(Verdict::Negative)
           && loaded.doubtful == r.count(Verdict::Doubtful) && loaded.valid == (r.valid() ? 1 : 0)
           && loaded.sampleNames == codec::sampleNames(r);
}

// The read transaction of one verify, ended however verify ends.
class Snapshot
{
public:
    explicit Snapshot(ArchiveConnection& connection)
        : m_db(connection.db())
    {
        sql::exec(m_db, QString::fromLatin1(connection.dialect().beginRead), connection.name());
    }
    ~Snapshot() { sql::rollback(m_db); } // it changed nothing
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

private:
    QSqlDatabase m_db;
};

// "записи 1–12", or that the chain holds none.
QString chainText(qint64 runs)
{
    return runs == 0 ? QStringLiteral("цепочка пуста") : QStringLiteral("записи 1–%1").arg(runs);
}

// A row of Pleq's tables that the chain of runs 1..`runs` does not account
// for: a run numbered outside it (0, -7), a well, sample or control of no
// run of it, a meta key Pleq does not write. The message names it, `seq`
// gets its number; none when every row belongs.
std::optional<QString> rowOutsideChain(ArchiveConnection& connection, qint64 runs, std::optional<qint64>* seq)
{
    const QString n = connection.name();
    QSqlQuery run = sql::prepare(connection.db(),
                                 QStringLiteral("SELECT seq, plate_name FROM runs WHERE seq < 1 OR seq > ?"
                                                " ORDER BY seq LIMIT 1"),
                                 n);
    run.bindValue(0, runs);
    sql::exec(run, n);
    if (run.next()) {
        *seq = run.value(0).toLongLong();
        return QStringLiteral("Запись %1 (планшет «%2») вне цепочки (%3): архив изменен.")
            .arg(**seq)
            .arg(run.value(1).toString(), chainText(runs));
    }
    for (const char* table : {"run_wells", "run_samples", "run_controls"}) {
        QSqlQuery child =
            sql::prepare(connection.db(),
                         QStringLiteral("SELECT seq FROM %1 WHERE seq < 1 OR seq > ? ORDER BY seq LIMIT 1")
                             .arg(QLatin1String(table)),
                         n);
        child.bindValue(0, runs);
        sql::exec(child, n);
        if (child.next()) {
            *seq = child.value(0).toLongLong();
            return QStringLiteral("Строки таблицы %1 с номером записи %2 вне цепочки (%3): архив изменен.")
                .arg(QLatin1String(table))
                .arg(**seq)
                .arg(chainText(runs));
        }
    }
    QSqlQuery meta = sql::exec(connection.db(),
                               QStringLiteral("SELECT key FROM meta WHERE key IS NULL OR key NOT IN "
                                              "('schema_version', 'copy_from') ORDER BY key"),
                               n);
    if (meta.next()) {
        *seq = runs + 1;
        return QStringLiteral("Строка «%1» таблицы meta не из архива Pleq: архив изменен.")
            .arg(meta.value(0).toString());
    }
    return std::nullopt;
}

} // namespace

VerifyReport verifyChain(ArchiveConnection& connection, qint64 after, const QByteArray& afterHash)
{
    if (!connection.holdsArchive())
        return {0, std::nullopt, intactMessage(0)}; // an empty database: nothing to check
    const QString n = connection.name();
    // The head and every run as committed when verify began: a run appended
    // meanwhile is neither half seen nor taken for a change.
    const Snapshot snapshot(connection);
    VerifyReport report;
    const auto bad = [&](qint64 seq, const QString& message) {
        report.firstBad = seq;
        report.message = message;
        return report;
    };

    QSqlQuery head = sql::exec(connection.db(), QStringLiteral("SELECT seq, hash FROM chain_head WHERE id = 1"), n);
    if (!head.next())
        return bad(1, QStringLiteral("Нет головы цепочки (таблица chain_head пуста): архив изменен."));
    const qint64 headSeq = head.value(0).toLongLong();
    const QByteArray headHash = head.value(1).toString().toLatin1();
    head.finish();
    QSqlQuery range = sql::exec(connection.db(), QStringLiteral("SELECT MAX(seq) FROM runs"), n);
    const qint64 last = range.next() ? range.value(0).toLongLong() : 0;
    range.finish();

    // Runs are read in slices of seq so that a large archive is checked in little memory.
    constexpr qint64 Slice = 256;
    qint64 expected = after + 1;
    QByteArray previous = afterHash;
    report.runs = after;
    for (qint64 from = after + 1; from <= std::max(last, qint64(0)); from += Slice) {
        for (const reader::LoadedRun& loaded : reader::load(connection, from, from + Slice - 1)) {
            const StoredRun& s = loaded.stored;
            if (s.seq != expected || s.previousHash != previous)
                return bad(s.seq, QStringLiteral("Перед записью %1 удалена или переставлена запись: "
                                                 "цепочка разорвана.")
                                      .arg(s.seq));
            if (loaded.malformed || !summaryMatches(loaded) || runHash(s.record, previous) != s.hash)
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
        return bad(
            report.runs,
            QStringLiteral("Голова цепочки не совпадает с последней записью %1: архив изменен.").arg(report.runs));
    }
    if (const std::optional<QString> stray = rowOutsideChain(connection, report.runs, &report.firstBad))
        return bad(*report.firstBad, *stray);
    QSqlQuery copy = sql::exec(connection.db(), QStringLiteral("SELECT value FROM meta WHERE key = 'copy_from'"), n);
    if (copy.next())
        return bad(report.runs + 1, QStringLiteral("Копирование из %1 не закончено: в архиве только %2; "
                                                   "повторите archive copy, оно продолжится.")
                                        .arg(copy.value(0).toString(), runsText(report.runs)));
    report.message = intactMessage(report.runs);
    return report;
}

} // namespace pleq
