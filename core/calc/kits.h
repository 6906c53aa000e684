#pragma once

#include "core/calc/calculation.h"

namespace pleq {

class DensityMatrix;
class TextGrid;

// The five kit procedures. Each reads the densities and the plate layout,
// writes the summary labels it uses, passes every failed validity check to
// `message` in order and goes on, classifies the wells and writes the result
// grid. Conversion and division errors throw Error and stop the run there.
void calculateKit01(Project& project, const MessageSink& message);
void calculateKit02(Project& project, const MessageSink& message);
void calculateKit03(Project& project, const MessageSink& message);
void calculateKit04(Project& project, const MessageSink& message);
void calculateKit05(Project& project, const MessageSink& message);

// Kit 05's difference of the wells whose layout text is `text`: the absolute
// value of the first such well minus the absolute values of the others, in
// scan order, taken absolute; 99 when no well has that text.
double kit05Delta(const DensityMatrix& densities, const TextGrid& layout, const QString& text);

} // namespace pleq
