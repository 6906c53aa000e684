#pragma once

namespace pleq {

class Project;

// "Заполнить": clears the plate map, reads the fill parameters from the
// project's boxes (control count, repetitions, first well) and runs the layout
// rule of the selected kit and orientation. Throws Error on a text that is not
// an integer; the map keeps what was written by then.
void fillPlate(Project& project);

} // namespace pleq
