#pragma once

#include "core/kits/kit.h"

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

} // namespace pleq
