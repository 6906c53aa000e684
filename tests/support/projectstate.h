#pragma once

#include "core/model/project.h"
#include "core/model/textgrid.h"

#include <QStringList>

namespace pleq::test {

// Every field of a project, one line each ("executor=Иванова", "densities
// A1=0,5", "samples 1,1=Проба №1"), for comparing whole projects: a QCOMPARE
// of two states names the first line that differs.
inline QStringList projectState(const Project& project)
{
    QStringList lines{
        QStringLiteral("executor=") + project.executor(),
        QStringLiteral("kit=") + project.kitRow(),
        QStringLiteral("plate name=") + project.plateName(),
        QStringLiteral("first well=") + project.firstRow().text() + project.firstColumn().text(),
        QStringLiteral("horizontal=%1").arg(project.horizontal()),
        QStringLiteral("control count=") + project.controlCount().text(),
        QStringLiteral("repetitions=") + project.repetitions().text(),
        QStringLiteral("material=%1").arg(int(project.material())),
        QStringLiteral("port=%1").arg(project.portNumber()),
        QStringLiteral("log=") + project.readerLog().join(QLatin1Char('|')),
        QStringLiteral("locked=%1").arg(project.plateLocked()),
    };
    const auto plate = [&lines](const char* name, const TextGrid& grid) {
        for (int row = 0; row < grid.rows(); ++row)
            for (int col = 0; col < grid.columns(); ++col)
                lines.append(QStringLiteral("%1 %2=%3")
                                 .arg(QLatin1String(name),
                                      row == 0 || col == 0 ? QStringLiteral("%1,%2").arg(col).arg(row)
                                                           : TextGrid::rowLetter(row) + QString::number(col),
                                      grid.cell(col, row)));
    };
    plate("layout", project.plateLayout());
    plate("densities", project.densityTable());
    plate("results", project.resultTable());
    const TextGrid& samples = project.sampleTable();
    lines.append(QStringLiteral("samples rows=%1").arg(samples.rows()));
    for (int row = 0; row < samples.rows(); ++row)
        for (int col = 0; col < samples.columns(); ++col)
            lines.append(QStringLiteral("samples %1,%2=%3").arg(col).arg(row).arg(samples.cell(col, row)));
    for (int col = 1; col < Project::PlateColumns; ++col)
        for (int row = 1; row < Project::PlateRows; ++row) {
            const WellResult& well = project.resultWells().at(col, row);
            lines.append(QStringLiteral("result %1%2=%3 %4")
                             .arg(TextGrid::rowLetter(row))
                             .arg(col)
                             .arg(well.value ? QString::number(*well.value) : QStringLiteral("none"),
                                  QLatin1String(verdictName(well.verdict))));
        }
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& label = project.label(Label(i));
        lines.append(
            QStringLiteral("label %1=%2 %3 %4")
                .arg(QLatin1String(labelName(Label(i))), label.text, QLatin1String(labelColorName(label.color)))
                .arg(label.visible));
    }
    return lines;
}

// The lines of `after` that `before` does not hold, in order.
inline QStringList changedLines(const QStringList& before, const QStringList& after)
{
    QStringList changed;
    for (const QString& line : after)
        if (!before.contains(line))
            changed.append(line);
    return changed;
}

} // namespace pleq::test
