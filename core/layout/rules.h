#pragma once

#include <QChar>

namespace pleq {

class TextGrid;

// The layout rules: each clears the plate map and lays the kit's controls and
// then the samples onto it from the first well (row r0 1..8, column c0 1..12),
// k times each control group and m times each sample text. They read only the
// quantity column of the sample list (rows 1..N, the row index is the sample
// number) and write only the plate map. Wells off the plate are lost without a
// message. A quantity that is not an integer throws notAnInteger and leaves
// the wells written so far.
void N01Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N01Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N02Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N02Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N03Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N03Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N04Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N04Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);
void N05Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);

using LayoutRule = void (*)(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);

// The rule of a kit ('1'..'5') and orientation. Kit 05 has only the vertical
// rule, so it is returned whatever the orientation; nullptr for an unknown kit.
LayoutRule layoutRule(QChar kit, bool horizontal);

} // namespace pleq
