#include "archive/copy.h"

#include "core/model/errors.h"

namespace pleq {

CopyReport copyArchive(Archive& from, Archive& to, const std::function<void(qint64 done, qint64 total)>& progress)
{
    const QString source = from.location().displayName();
    const QString target = to.location().displayName();
    if (source == target)
        throw Error(QStringLiteral("Архив %1: копировать архив в него же нельзя").arg(source));
    const qint64 held = to.runCount();
    if (held > 0)
        throw Error(QStringLiteral("Архив %1 не пуст (записей: %2): копировать можно только в пустой архив")
                        .arg(target)
                        .arg(held));
    const VerifyReport before = from.verify();
    if (!before.intact())
        throw Error(QStringLiteral("Архив %1 не копируется: %2").arg(source, before.message));

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
