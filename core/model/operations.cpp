#include "core/model/operations.h"

#include "core/model/project.h"

namespace pleq {

void newProject(Project& project)
{
    project.ensureUnlocked();
    project.resetLabels();
}

void changeKit(Project& project, Kit kit)
{
    project.ensureUnlocked();
    project.selectKit(kit);
}

int addSampleRow(Project& project)
{
    project.ensureUnlocked();
    TextGrid& samples = project.sampleTable();
    const int n = samples.rows();
    samples.setRows(n + 1);
    samples.setCell(0, n, QString::number(n));
    samples.setCell(1, n, QStringLiteral("Проба №") + QString::number(n));
    samples.setCell(2, n, QStringLiteral("1"));
    return n;
}

void deleteSampleRow(Project& project, int row)
{
    project.ensureUnlocked();
    TextGrid& samples = project.sampleTable();
    const int last = samples.rows() - 1;
    if (row < 1 || row > last)
        return;
    if (last == 1) {
        samples.setCell(0, 1, QStringLiteral("1"));
        samples.setCell(1, 1, QStringLiteral("Проба крови №1"));
        samples.setCell(2, 1, QStringLiteral("1"));
        return;
    }
    for (int i = row; i < last; ++i) {
        samples.setCell(0, i, QString::number(i));
        samples.setCell(1, i, samples.cell(1, i + 1));
        samples.setCell(2, i, samples.cell(2, i + 1));
    }
    samples.setRows(last);
}

void clearDensities(Project& project)
{
    project.ensureUnlocked();
    TextGrid& densities = project.densityTable();
    for (int col = 1; col < Project::PlateColumns; ++col)
        for (int row = 1; row < Project::PlateRows; ++row)
            densities.setCell(col, row, QString());
}

} // namespace pleq
