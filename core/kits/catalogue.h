#pragma once

#include "core/calc/calculation.h"
#include "core/kits/kit.h"
#include "core/layout/layouttable.h"
#include "core/model/project.h"

#include <QString>
#include <QStringList>

#include <array>
#include <span>

namespace pleq {

// A kit's calculation: reads the densities and the plate layout, writes the
// summary labels and the result grid, passes each failed validity check to
// the sink and goes on; conversion and division errors throw Error.
using KitCalculation = void (*)(Project& project, const MessageSink& message);

// Everything that depends on the kit, in one entry per kit. Each place that
// decides by kit reads its entry; a part left out fails the build (the
// catalogue is checked at compile time in catalogue.cpp).
struct KitEntry {
    Kit kit;
    const char* row;               // the kit box row, also caption, protocol and file text (UTF-8)
    bool materialOffered;          // the "Молоко" / "Сыворотка" choice, read by the calculation
    const LayoutTable* vertical;   // the layout rule of each orientation;
    const LayoutTable* horizontal; // null when only the vertical one is offered
    KitCalculation calculate;
    // A layout text holding one of these letters is a control well, no sample.
    const char16_t* controlLetters;
    // The layout texts of the kit's control wells, in the order they are laid.
    std::span<const char* const> controls;
    // What each of the ten summary labels shows for this kit (s0 .. dC1);
    // empty where the kit leaves the label unused.
    std::array<const char*, LabelCount> labelMeanings;

    bool horizontalOffered() const { return horizontal != nullptr; }
    // The rule "Заполнить" runs: the vertical one whenever no horizontal one is offered.
    const LayoutTable& layout(bool horizontalChosen) const
    {
        return horizontalChosen && horizontal ? *horizontal : *vertical;
    }
    QString rowText() const { return QString::fromUtf8(row); }
    QString code() const { return rowText().left(2); } // "01" .. "05"
};

const std::array<KitEntry, KitCount>& kitCatalogue();
const KitEntry& kitEntry(Kit kit);
// The rows of the kit box, in catalogue order.
QStringList kitRows();

} // namespace pleq
