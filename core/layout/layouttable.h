#pragma once

#include <span>

namespace pleq {

// What one item of a layout looks like on the plate.
enum class Shape {
    Single,    // one well at the cursor
    PairDown,  // the cursor and the well below it
    PairRight, // the cursor and the well to its right
};

// What one item looks like and how the cursor moves after it: `step` wells
// along the orientation; past the last column (horizontal) or row (vertical)
// it goes back to the first one and `wrap` rows (columns) on.
struct Motion {
    Shape shape;
    int step;
    int wrap;
};

// A control group: its item (second text null for a single well) placed
// `count` times, or the control count k times when `count` is 0.
struct ControlGroup {
    const char* first;
    const char* second;
    int count;
};

// One layout rule of a kit: its controls in the order they are laid, then the
// samples, each item moving the cursor along the orientation.
struct LayoutTable {
    const char* name; // the rule's name in the lab, e.g. "N01Goriz"
    std::span<const ControlGroup> controls;
    bool horizontal;
    Motion control;
    Motion sample;
};

} // namespace pleq
