#include "archive/qcseries.h"

#include "archive/archive.h"
#include "core/kits/catalogue.h"

namespace pleq {

std::vector<qc::Point> controlPoints(Archive& archive, Kit kit)
{
    std::vector<qc::Point> points;
    for (const ControlPoint& point : archive.controlSeries(kit))
        points.push_back({point.seq, point.time, point.control, point.mean});
    return points;
}

std::map<qint64, QStringList> qcRunFlags(Archive& archive)
{
    std::map<qint64, QStringList> flags;
    for (const KitEntry& entry : kitCatalogue())
        flags.merge(qc::analyse(entry.kit, controlPoints(archive, entry.kit), qc::Baseline()).runFlags());
    return flags;
}

} // namespace pleq
