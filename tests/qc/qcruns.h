#pragma once

#include "archive/archive.h"

#include <QDateTime>
#include <QString>

#include <utility>
#include <vector>

namespace pleq::test {

// An archived run as the control charts see it: only its kit, time and control means.
inline RunRecord qcRun(int day, Kit kit, const std::vector<std::pair<QString, double>>& means)
{
    RunRecord run;
    run.uid = QStringLiteral("qc-%1-%2").arg(int(kit) + 1).arg(day);
    run.time = QDateTime(QDate(2026, 3, day), QTime(10, 0), Qt::OffsetFromUTC, 3 * 3600);
    run.executor = QStringLiteral("Петрова");
    run.kit = kit;
    run.plateName = QStringLiteral("Планшет %1").arg(day);
    for (const auto& [control, mean] : means)
        run.controls.push_back({control, mean, 2});
    return run;
}

// Kit 03 on March 1..6 (seq 1..6), one kit 01 run (seq 7), kit 05 on March
// 8..18 (seq 8..18).
// Kit 03 with the first three runs as the baseline: C+ has mean 2.0 and SD
// 0.5, C- mean 0.25 and SD 0.05; run 4's C+ (3.6, +3.2 SD) fires 1-2s and
// 1-3s, run 6's C+ (3.01, +2.02 SD) only the warning 1-2s; run 5 is in
// control. O is on no plate.
// Kit 05 with the default baseline (all its 11 runs): C+ mean 1.0545, SD
// 0.1968, C- mean 0.1864, SD 0.0478; the last run's C+ at +2.77 SD and C- at
// −2.85 SD fire 1-2s and R-4s, nothing else fires.
inline void archiveQcRuns(Archive& archive)
{
    const double cPlus[] = {1.5, 2.5, 2.0, 3.6, 2.0, 3.01};
    const double cMinus[] = {0.2, 0.3, 0.25, 0.25, 0.25, 0.25};
    for (int day = 1; day <= 6; ++day)
        archive.append(
            qcRun(day, Kit::K03, {{QStringLiteral("C+"), cPlus[day - 1]}, {QStringLiteral("C-"), cMinus[day - 1]}}));
    archive.append(qcRun(7, Kit::K01, {{QStringLiteral("S+"), 1.1}, {QStringLiteral("C-"), 0.1}}));
    const double kit05Plus[] = {1.0, 1.1, 0.9, 1.0, 1.1, 0.9, 1.0, 1.1, 0.9, 1.0, 1.6};
    const double kit05Minus[] = {0.20, 0.22, 0.18, 0.20, 0.22, 0.18, 0.20, 0.22, 0.18, 0.20, 0.05};
    for (int i = 0; i < 11; ++i)
        archive.append(
            qcRun(8 + i, Kit::K05, {{QStringLiteral("C+"), kit05Plus[i]}, {QStringLiteral("C-"), kit05Minus[i]}}));
}

} // namespace pleq::test
