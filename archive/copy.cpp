#include "archive/copy.h"

#include "archive/archiveerror.h"

namespace pleq {

CopyReport copyArchive(Archive& from, Archive& to, const std::function<void(qint64 done, qint64 total)>& progress)
{
    const QString source = from.location().displayName();
    const QString target = to.location().displayName();
    if (source == target)
        throw ArchiveError(source, QStringLiteral("копировать архив в него же нельзя"));
    const qint64 held = to.runCount();
    if (held > 0)
        throw ArchiveError(target, QString::number(held), ArchiveError::Form::NotEmpty);
    const VerifyReport before = from.verify();
    if (!before.intact())
        throw ArchiveError(source, before.message, ArchiveError::Form::NotCopied);

    CopyReport report;
    // An intact chain holds seq 1 .. N without a gap.
    for (qint64 first = 1; first <= before.runs; first += CopySlice) {
        const std::vector<StoredRun> slice = from.runs(first, std::min(first + CopySlice - 1, before.runs));
        to.appendCopies(slice);
        report.runs += qint64(slice.size());
        if (progress)
            progress(report.runs, before.runs);
    }
    report.source = from.verify();
    report.target = to.verify();
    return report;
}

} // namespace pleq
