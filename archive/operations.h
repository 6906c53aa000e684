#pragma once

#include "archive/archive.h"
#include "archive/queue.h"
#include "core/model/errors.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace pleq {

class Project;
struct PlateResult;

// What "Протокол" did: the protocol is written whenever this returns; the
// run is archived unless `archiveMessage` says why not.
struct ProtocolOutcome {
    qint64 seq = 0;         // the run's place in the archive, 0 when not archived
    QString archiveMessage; // empty when archived
    bool queued = false;    // the archive's server did not answer: the run waits in the local queue
    bool archived() const { return archiveMessage.isEmpty(); }
};

// "Протокол": writes the protocol as writeProtocol does, then archives the
// run. A failing archive never stops the protocol: the outcome names the
// archive and the reason, and the run can be archived later with "В архив".
// A protocol that cannot be made or written never stops the archive: the run
// is archived all the same (without protocol bytes when they cannot be made,
// see makeRunRecord), then the protocol's error is thrown with what became of
// the run on a line of its own. On PostgreSQL the runs of the local queue are
// sent first, and a run the server does not take joins the queue.
ProtocolOutcome writeProtocolAndArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                        Archive& archive, const QDateTime& now);
// The same with the archive reached once the protocol is written: what
// `archive` throws (a place set that names no archive) is told as any other
// archive failure.
ProtocolOutcome writeProtocolAndArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                        const std::function<Archive&()>& archive, const QDateTime& now);

// The same in two steps, for a window that archives on a thread of its own:
// the protocol written and the run's record made from the project as it
// stands now...
struct ProtocolRun {
    std::optional<RunRecord> record;    // none when the project cannot be written as a file
    std::optional<Error> recordError;   // why not
    std::optional<Error> protocolError; // the protocol's own error; the record is made all the same
};
ProtocolRun writeProtocolForArchive(Project& project, const PlateResult* lastRun, const QString& protocolPath,
                                    const QDateTime& now);
// ...then the record archived, with the outcome and the error of
// writeProtocolAndArchive. Touches no project: it runs on any thread, with
// an archive made on that thread.
ProtocolOutcome archiveProtocolRun(const ProtocolRun& run, const std::function<Archive&()>& archive,
                                   const QString& queuePath = archiveQueuePath());

// "В архив" and `pleq-cli archive add`: archives the project as it stands
// with the messages of `lastRun` (the last "Расчет" still valid, or null),
// also when its protocol cannot be made; returns the run's seq. Throws Error,
// also when the archive's server did not answer and the run waits in the
// local queue (the message says so).
qint64 archiveRun(Project& project, const PlateResult* lastRun, Archive& archive, const QDateTime& now);
// The uid of the run `pleq-cli archive add` makes of a project file: its
// bytes and modification time, so that the same file added again (an add
// killed after its commit, then run again) is stored once.
QString addedFileUid(const QByteArray& fileBytes, const QDateTime& modified);
// The same for a record made already.
qint64 archiveRecord(const RunRecord& record, Archive& archive, const QString& queuePath = archiveQueuePath());

// What `archive import` did.
struct ImportReport {
    int files = 0;               // the .plq files found
    int archived = 0;            // appended now
    int already = 0;             // held by the archive from an earlier import
    QStringList failures;        // "<file>: <error>", one per file skipped
    QStringList withoutProtocol; // "<file>: <the protocol's stop>", one per file archived without its protocol
};

// `pleq-cli archive import`: every *.plq under the folders (recursively, in
// path order) opened, calculated and archived with its modification time as
// the run's time, whatever its validity or its protocol; a file that does
// not open is listed and skipped. Files are
// appended in transactions of ImportBatch runs. A plate is its project bytes
// and time: one imported again, from this folder or another (a link, a copy
// with its times kept), is not stored twice; the counts are of this import. `progress` gets (done,
// total) after each batch. Throws Error when the archive fails.
inline constexpr int ImportBatch = 500;
ImportReport importFolder(Archive& archive, const QStringList& folders,
                          const std::function<void(int done, int total)>& progress = {});

} // namespace pleq
