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

void changeExecutor(Project& project, const QString& name)
{
    project.ensureUnlocked();
    project.setExecutor(name);
}

void changePlateName(Project& project, const QString& name)
{
    project.ensureUnlocked();
    project.setPlateName(name);
}

void changeFirstWell(Project& project, const FirstWell& well)
{
    project.ensureUnlocked();
    project.setFirstWell(well);
}

void changeRepetitions(Project& project, const Repetitions& repetitions)
{
    project.ensureUnlocked();
    project.setRepetitions(repetitions);
}

void changeControlCount(Project& project, const ControlCount& count)
{
    project.ensureUnlocked();
    project.setControlCount(count);
}

void changeMaterial(Project& project, Material material)
{
    project.ensureUnlocked();
    project.setMaterial(material);
}

void changeOrientation(Project& project, bool horizontal)
{
    project.ensureUnlocked();
    project.setHorizontal(horizontal);
}

void changeSampleCell(Project& project, int col, int row, const QString& text)
{
    project.ensureUnlocked();
    project.sampleTable().setCell(col, row, text);
}

void changeDensityCell(Project& project, int col, int row, const QString& text)
{
    project.ensureUnlocked();
    project.densityTable().setCell(col, row, text);
}

void restoreKit(Project& project, Kit kit, bool horizontal)
{
    project.ensureUnlocked();
    if (project.kit() != kit)
        project.selectKit(kit);
    project.setHorizontal(horizontal);
}

namespace {

void restoreCells(TextGrid& grid, const QStringList& texts)
{
    Q_ASSERT(texts.size() % grid.columns() == 0);
    const int rows = int(texts.size() / grid.columns());
    grid.setRows(rows);
    int k = 0;
    for (int col = 0; col < grid.columns(); ++col)
        for (int row = 0; row < rows; ++row)
            grid.setCell(col, row, texts.at(k++));
}

} // namespace

void restorePlateLayout(Project& project, const QStringList& columnMajorTexts)
{
    project.ensureUnlocked();
    restoreCells(project.plateLayout(), columnMajorTexts);
}

void restoreSampleTable(Project& project, const QStringList& columnMajorTexts)
{
    project.ensureUnlocked();
    restoreCells(project.sampleTable(), columnMajorTexts);
}

void restoreDensities(Project& project, const QStringList& columnMajorTexts)
{
    project.ensureUnlocked();
    restoreCells(project.densityTable(), columnMajorTexts);
}

} // namespace pleq
