#pragma once

#include "archive/location.h"
#include "core/archive/runrecord.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace pleq {

// A run as stored: its place in the chain and its link.
struct StoredRun {
    qint64 seq = 0; // 1, 2, ... in the chain's order
    RunRecord record;
    QByteArray previousHash;
    QByteArray hash;
};

// What `archive verify` found.
struct VerifyReport {
    qint64 runs = 0;
    std::optional<qint64> firstBad; // the seq of the first run whose content or order was changed
    QString message; // "Все 12 записей архива целы." or names the first bad run and why
    bool intact() const { return !firstBad; }
};

// One point of a control chart: the mean of one control on one archived run.
struct ControlPoint {
    qint64 seq = 0;
    QDateTime time;
    QString control;
    double mean = 0;
};

// The run archive, on SQLite or PostgreSQL: one schema, created on first use
// and upgraded in place. Every write is one transaction. Errors are
// ArchiveError: the archive (its displayName) and the reason.
class Archive
{
public:
    explicit Archive(ArchiveLocation location); // no I/O yet
    ~Archive();
    Archive(const Archive&) = delete;
    Archive& operator=(const Archive&) = delete;

    const ArchiveLocation& location() const;
    // Connects, creates or upgrades the schema. Throws Error.
    void open();
    // For the windows' reads, before the first use: each statement ends with
    // an error after ReadLimitMs on the server (archive/connection.h).
    void limitReads();

    // Appends a run at the head of the chain; returns its seq. A run whose
    // uid the archive holds already is not stored again (its seq is returned).
    qint64 append(const RunRecord& run);
    // Appends the runs in their order in one transaction (a bulk import);
    // returns their seqs; `stored` gets how many of them this call stored
    // (the others the archive held). On an error none of them is stored.
    std::vector<qint64> append(const std::vector<RunRecord>& runs, int* stored = nullptr);
    // Appends runs of another archive exactly as stored there (seq, previous
    // hash and hash unchanged), in one transaction: `archive copy`.
    void appendCopies(const std::vector<StoredRun>& runs);
    qint64 runCount();
    // The seq of the run stored under `uid`, if the archive holds one.
    std::optional<qint64> seqOf(const QString& uid);
    std::optional<StoredRun> run(qint64 seq);
    // The runs with seq in [from, to], in chain order.
    std::vector<StoredRun> runs(qint64 from, qint64 to);
    VerifyReport verify();
    // The same for the runs after `seq`, whose hash is `hash` (verified
    // before): the walk goes on from there.
    VerifyReport verifyAfter(qint64 seq, const QByteArray& hash);

    // `archive copy` under way into this archive: the source it copies from,
    // kept in the archive until the copy ends, so that verify tells an
    // unfinished copy from a whole archive and a second copy can go on.
    QString unfinishedCopy();
    void beginCopy(const QString& source);
    void endCopy();

    // The control means of a kit's runs in [from, to] (an invalid bound: open), in chain order.
    std::vector<ControlPoint> controlSeries(Kit kit, const QDateTime& from = {}, const QDateTime& to = {});

    // The Qt SQL connection name, for the archive layer's own statements (the
    // queue's) and for tests that read the archive as stored.
    QString connectionName() const;

private:
    // Opens the archive for reading as it is; false for an empty database.
    bool openForReading();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace pleq
