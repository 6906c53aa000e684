#include "archive/copy.h"

#include "archive/archiveerror.h"

namespace pleq {

CopyReport copyArchive(Archive& from, Archive& to, const std::function<void(qint64 done, qint64 total)>& progress)
{
    const QString source = from.location().displayName();
    const QString target = to.location().displayName();
    if (source == target)
        throw ArchiveError(source, QStringLiteral("копировать архив в него же нельзя"));
    // The source first: a refused copy leaves no target made.
    const VerifyReport before = from.verify();
    if (!before.intact())
        throw ArchiveError(source, before.message, ArchiveError::Form::NotCopied);
    const qint64 held = to.runCount();
    // A copy from this source that stopped goes on after the runs it copied,
    // when they are the source's first runs as they stand.
    const bool resumed = to.unfinishedCopy() == source;
    if (held > 0 && !resumed)
        throw ArchiveError(target, QString::number(held), ArchiveError::Form::NotEmpty);
    if (resumed && held > 0) {
        const std::optional<StoredRun> last = to.run(held);
        const std::optional<StoredRun> same = from.run(held);
        if (!last || !same || last->hash != same->hash)
            throw ArchiveError(target, QStringLiteral("незаконченная копия не совпадает с архивом %1: удалите ее и "
                                                      "скопируйте заново")
                                           .arg(source));
    }
    if (!resumed)
        to.beginCopy(source);

    CopyReport report;
    report.runs = held;
    // An intact chain holds seq 1 .. N without a gap.
    for (qint64 first = held + 1; first <= before.runs; first += CopySlice) {
        const std::vector<StoredRun> slice = from.runs(first, std::min(first + CopySlice - 1, before.runs));
        to.appendCopies(slice);
        report.runs += qint64(slice.size());
        if (progress)
            progress(report.runs, before.runs);
    }
    to.endCopy();
    report.source = from.verify();
    report.target = to.verify();
    return report;
}

} // namespace pleq
