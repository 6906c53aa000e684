#pragma once

namespace pleq {

class TextGrid;
struct LayoutTable;

// A layout rule, as a kit's catalogue entry describes it: clears the plate
// map and lays the kit's controls and then the samples onto it from the first
// well (row r0 1..8, column c0 1..12), k times each control group and m times
// each sample text. It reads only the quantity column of the sample list
// (rows 1..N, the row index is the sample number) and writes only the plate
// map. Wells off the plate are lost without a message. A quantity that is not
// an integer throws notAnInteger and leaves the wells written so far.
void applyLayout(const LayoutTable& table, TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m);

} // namespace pleq
