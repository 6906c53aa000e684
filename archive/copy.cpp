#include "archive/copy.h"

#include "archive/archiveerror.h"

#include <QFileInfo>

#include <optional>

namespace pleq {

CopyReport copyArchive(Archive& from, Archive& to, const std::function<void(qint64 done, qint64 total)>& progress)
{
    const QString source = from.location().displayName();
    const QString target = to.location().displayName();
    if (source == target)
        throw ArchiveError(source, QStringLiteral("копировать архив в него же нельзя"));
    // A copy from this source that stopped goes on after the runs it copied,
    // when they are the source's first runs as they stand. A target not made
    // yet is not asked (asking would make an empty file).
    const bool targetMade =
        to.location().kind == ArchiveLocation::Kind::Postgres || QFileInfo::exists(to.location().path);
    const qint64 held = targetMade ? to.runCount() : 0;
    const bool resumed = targetMade && to.unfinishedCopy() == source;
    std::optional<StoredRun> last;
    if (resumed && held > 0) {
        last = to.run(held);
        const std::optional<StoredRun> same = from.run(held);
        if (!last || !same || last->hash != same->hash)
            throw ArchiveError(target, QStringLiteral("незаконченная копия не совпадает с архивом %1: удалите ее и "
                                                      "скопируйте заново")
                                           .arg(source));
    }
    // The source before the target is touched: a broken chain is not copied.
    // The runs copied already were verified when they went over: a copy that
    // goes on verifies the source's runs after them, linked to the last.
    const VerifyReport before = last ? from.verifyAfter(last->seq, last->hash) : from.verify();
    if (!before.intact())
        throw ArchiveError(source, before.message, ArchiveError::Form::NotCopied);
    if (held > 0 && !resumed)
        throw ArchiveError(target, QString::number(held), ArchiveError::Form::NotEmpty);
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
