#pragma once

#include "archive/location.h"
#include "core/archive/runrecord.h"

#include <QString>

namespace pleq {

class Archive;

// The runs waiting for an archive server that did not answer: a local SQLite
// file with the archive's own schema (the runs and their order; sent runs
// leave it, so its own chain is not kept), one queue per workstation user. The
// file is PLEQ_ARCHIVE_QUEUE when set, else archive-queue.sqlite in the user's
// data folder beside the default archive.
QString archiveQueuePath();

// How many runs wait in the queue file (0 when there is no file).
qint64 queuedRunCount(const QString& queuePath = archiveQueuePath());

// Sends the runs queued for `server` (open; the runs queued for another
// server stay) in the order they were queued; each
// run the server holds afterwards (a uid it had already counts) leaves the
// queue. Returns how many were sent; 0 while another process sends the queue. Throws Error naming the server or the
// queue file at the first run that fails; the runs before it stay sent.
// The GUI calls it at start, on "В архив" and on a timer (sendQueuedRuns).
int sendQueued(Archive& server, const QString& queuePath = archiveQueuePath());

// The same for the archive at `location`, connecting first: nothing to do for
// an SQLite file or an empty queue (returns 0 without connecting).
int sendQueuedRuns(const ArchiveLocation& location, const QString& queuePath = archiveQueuePath());

// What became of a run given to the archive.
struct ArchiveOutcome {
    qint64 seq = 0;      // its place in the archive's chain; 0 when it waits in the queue
    bool queued = false; // the server did not take it: it waits in the queue
    QString message;     // for the user when queued: names the server, the reason and the queue
};

// Archives a run. An SQLite archive takes it or throws Error. On PostgreSQL
// the runs waiting in the queue go first (so that the chain keeps the order
// they were made in); when the server cannot take them or the run, the run
// joins the queue and the outcome says so. Throws Error only when the run
// could be kept neither in the archive nor in the queue.
ArchiveOutcome archiveOrQueue(Archive& archive, const RunRecord& run, const QString& queuePath = archiveQueuePath());

} // namespace pleq
