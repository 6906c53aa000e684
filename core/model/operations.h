#pragma once

#include "core/kits/kit.h"
#include "core/model/settings.h"

#include <QString>
#include <QStringList>

namespace pleq {

class Project;

// The user operations on the project that are no file, layout, calculation or
// reader work (those are fillPlate, openProject/saveProject, calculate and the
// protocol, and the acquisition's parse, each in its own folder). The windows
// and pleq-cli call these and nothing else to change the project; each one
// refuses while the plate is being read (Project::ensureUnlocked).

// "Новый": the ten summary labels read "-" again; everything else stays.
void newProject(Project& project);

// The kit change: selects the kit and checks the vertical orientation; the
// plate map, samples, densities and results stay until the next fill or run.
void changeKit(Project& project, Kit kit);

// Appends sample row N+1 ("N+1", "Проба №N+1", quantity "1") and returns its index.
int addSampleRow(Project& project);

// Deletes sample row `row` (1..N); the rows below move up and are renumbered.
// The list never empties: deleting its only row resets it to "1",
// "Проба крови №1", "1". A row outside 1..N deletes nothing.
void deleteSampleRow(Project& project, int row);

// "Очистить данные": every density well empty; the headers stay.
void clearDensities(Project& project);

// The settings of the parameters and layout windows (the executor, the plate
// name, the first well of the next fill, the repetitions, the control count,
// the material, the orientation).
void changeExecutor(Project& project, const QString& name);
void changePlateName(Project& project, const QString& name);
void changeFirstWell(Project& project, const FirstWell& well);
void changeRepetitions(Project& project, const Repetitions& repetitions);
void changeControlCount(Project& project, const ControlCount& count);
void changeMaterial(Project& project, Material material);
void changeOrientation(Project& project, bool horizontal);

// A cell of the sample list (1 the name, 2 the quantity) or a density well
// as it was typed.
void changeSampleCell(Project& project, int col, int row, const QString& text);
void changeDensityCell(Project& project, int col, int row, const QString& text);

// The undo and redo of the edits above: a part of the project put back as
// it stood. Grids are given column by column (TextGrid::columnMajorTexts) and
// written cell by cell, so that a view keeps its current cell.
void restoreKit(Project& project, Kit kit, bool horizontal);
void restorePlateLayout(Project& project, const QStringList& columnMajorTexts);
void restoreSampleTable(Project& project, const QStringList& columnMajorTexts); // 3 columns, any rows
void restoreDensities(Project& project, const QStringList& columnMajorTexts);

} // namespace pleq
