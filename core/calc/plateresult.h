#pragma once

#include "core/model/project.h"
#include "core/model/wellresult.h"

#include <QStringList>

#include <array>
#include <optional>

namespace pleq {

// One well as a "Расчет" run left it, with what the plate layout holds there.
struct PlateWell {
    WellResult result;
    WellKind kind = WellKind::Empty;
    std::optional<int> sample; // the sample's number, for a sample well
};

// The outcome of one "Расчет" run: every well, the summary labels, the
// validity messages and reader log lines in the order the run gave them, and
// the error that stopped it. A stopped run changes no well: its wells are
// those the result grid still shows.
struct PlateResult {
    std::array<PlateWell, 96> wells{}; // in scan order: column 1..12, within it rows A..H
    std::array<SummaryLabel, LabelCount> labels{};
    QStringList messages;
    QStringList log;
    std::optional<QString> error;

    PlateWell& well(int col, int row) { return wells[size_t((col - 1) * 8 + (row - 1))]; }
    const PlateWell& well(int col, int row) const { return wells[size_t((col - 1) * 8 + (row - 1))]; }
};

} // namespace pleq
