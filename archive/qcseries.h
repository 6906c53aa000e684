#pragma once

#include "core/kits/kit.h"
#include "core/qc/controlquality.h"

#include <QStringList>

#include <map>
#include <vector>

namespace pleq {

class Archive;

// The control points of a kit's archived runs, as the charts and
// `pleq-cli archive qc` take them. Throws Error.
std::vector<qc::Point> controlPoints(Archive& archive, Kit kit);

// For the journal: the runs of every kit that a Westgard rule flagged against
// the kit's default baseline (its first 20 runs). Throws Error.
std::map<qint64, QStringList> qcRunFlags(Archive& archive);

} // namespace pleq
