#include "core/kits/catalogue.h"

#include "core/calc/kits.h"

#include <string_view>

namespace pleq {

namespace {

// --- the controls each kit lays, by layout rule ---
constexpr ControlGroup Kit01Groups[] = {{"S+", "S+!", 0}, {"R+", "R+!", 0}, {"C-", "C-!", 0}};
constexpr ControlGroup Kit02Groups[] = {{"C+", nullptr, 0}, {"C-", nullptr, 0}};
constexpr ControlGroup Kit03Groups[] = {{"C+", nullptr, 0}, {"C-", nullptr, 0}, {"O", nullptr, 0}};
// Kit 04 marks both wells of a pair alike; its calculation reads two "C+" and two "C-".
constexpr ControlGroup Kit04Groups[] = {{"C+", "C+", 0}, {"C-", "C-", 0}};
// Kit 05 always takes two positive control pairs.
constexpr ControlGroup Kit05Groups[] = {{"C+", "C+!", 2}, {"C-", "C-!", 0}};

// Kits 01 and 05 lay every item, control or sample, as a pair, so first and
// second wells keep to columns (rows) of their own parity; the kit 01
// calculation relies on it.
constexpr LayoutTable kit01Horizontal{"N01Goriz", Kit01Groups, true, {Shape::PairDown, 1, 2}, {Shape::PairDown, 1, 2}};
constexpr LayoutTable kit01Vertical{"N01Vert", Kit01Groups, false, {Shape::PairRight, 1, 2}, {Shape::PairRight, 1, 2}};
constexpr LayoutTable kit02Horizontal{"N02Goriz", Kit02Groups, true, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit02Vertical{"N02Vert", Kit02Groups, false, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit03Horizontal{"N03Goriz", Kit03Groups, true, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit03Vertical{"N03Vert", Kit03Groups, false, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit04Horizontal{"N04Goriz", Kit04Groups, true, {Shape::PairRight, 2, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit04Vertical{"N04Vert", Kit04Groups, false, {Shape::PairDown, 2, 1}, {Shape::Single, 1, 1}};
constexpr LayoutTable kit05Vertical{"N05Vert", Kit05Groups, false, {Shape::PairRight, 1, 2}, {Shape::PairRight, 1, 2}};

// --- the control wells each calculation reads ---
constexpr const char* Kit01Controls[] = {"S+", "S+!", "R+", "R+!", "C-", "C-!"};
constexpr const char* Kit02Controls[] = {"C+", "C-"};
constexpr const char* Kit03Controls[] = {"C+", "C-", "O"};
constexpr const char* Kit04Controls[] = {"C+", "C-"};
constexpr const char* Kit05Controls[] = {"C+", "C+!", "C-", "C-!"};

constexpr std::array<KitEntry, KitCount> Catalogue{{
    {Kit::K01,
     "01 - Набор «Зорвал-SR»",
     false,
     &kit01Vertical,
     &kit01Horizontal,
     calculateKit01,
     u"SRC",
     Kit01Controls,
     {"S+", "S+!", "R+", "R+!", "C-", "C-!", "(C-)/(S+)", "(C-!)/(R+!)", "d(C-) = (C-)/1.5", "d(C-!) = (C-!)/1.5"}},
    {Kit::K02,
     "02 - Набор «Зорвал-К»",
     false,
     &kit02Vertical,
     &kit02Horizontal,
     calculateKit02,
     u"SRC",
     Kit02Controls,
     {"C+", "C-", "", "", "", "", "(C-)/(C+)", "", "", ""}},
    {Kit::K03,
     "03 - Набор «Кимрен»",
     false,
     &kit03Vertical,
     &kit03Horizontal,
     calculateKit03,
     u"SOC",
     Kit03Controls,
     {"C+", "C-", "O", "", "", "", "(C+)/(C-)", "", "", ""}},
    {Kit::K04,
     "04 - (Скриннинг) Набор «Тальвик»",
     true,
     &kit04Vertical,
     &kit04Horizontal,
     calculateKit04,
     u"SRC",
     Kit04Controls,
     {"((C+)+(C+))/2", "((C-)+(C-))/2", "", "", "", "", "(C+)/(C-)", "", "", ""}},
    {Kit::K05,
     "05 - (Верификация) Набор «Тальвик»",
     true,
     &kit05Vertical,
     nullptr,
     calculateKit05,
     u"SRC",
     Kit05Controls,
     {"(d(C+)+d(C+))/2", "d(C-) = (C-)-(C-!)", "", "", "((C-) + (C-!))/2", "", "", "", "", ""}},
}};

constexpr bool nonEmpty(const char* text)
{
    return text != nullptr && text[0] != '\0';
}

constexpr bool containsAny(std::string_view text, std::u16string_view letters)
{
    for (const char c : text)
        for (const char16_t letter : letters)
            if (char16_t(c) == letter)
                return true;
    return false;
}

constexpr bool layoutComplete(const LayoutTable* table, bool horizontal)
{
    if (table == nullptr || !nonEmpty(table->name) || table->horizontal != horizontal || table->controls.empty())
        return false;
    for (const ControlGroup& group : table->controls)
        if (!nonEmpty(group.first) || (group.second == nullptr) != (table->control.shape == Shape::Single))
            return false;
    return table->control.step > 0 && table->sample.step > 0;
}

// Every entry complete and in its place: the code in its row is its position
// plus one, a vertical rule (and a horizontal one where offered) of the right
// orientation, control letters that mark every control text, and a meaning
// for the first label. (The calculation is checked by tests/kits: a function
// pointer compared in a constant expression is refused by the sanitizer builds.)
constexpr bool entryComplete(const KitEntry& entry, int index)
{
    if (int(entry.kit) != index || !nonEmpty(entry.row))
        return false;
    const std::string_view row(entry.row);
    if (row.size() < 5 || row[0] != '0' || row[1] != char('1' + index) || row.substr(2, 3) != " - ")
        return false;
    if (!layoutComplete(entry.vertical, false))
        return false;
    if (entry.horizontal != nullptr && !layoutComplete(entry.horizontal, true))
        return false;
    if (entry.controlLetters == nullptr || entry.controlLetters[0] == 0)
        return false;
    if (entry.controls.empty())
        return false;
    for (const char* control : entry.controls)
        if (!nonEmpty(control) || !containsAny(control, entry.controlLetters))
            return false;
    for (const char* meaning : entry.labelMeanings)
        if (meaning == nullptr)
            return false;
    return nonEmpty(entry.labelMeanings[0]);
}

constexpr bool catalogueComplete()
{
    for (int i = 0; i < KitCount; ++i)
        if (!entryComplete(Catalogue[size_t(i)], i))
            return false;
    return true;
}

static_assert(catalogueComplete(),
              "every kit needs its row, layout rules, calculation, control letters, controls and label meanings");

} // namespace

const std::array<KitEntry, KitCount>& kitCatalogue()
{
    return Catalogue;
}

const KitEntry& kitEntry(Kit kit)
{
    return Catalogue.at(size_t(kit));
}

QStringList kitRows()
{
    QStringList rows;
    for (const KitEntry& entry : Catalogue)
        rows << entry.rowText();
    return rows;
}

} // namespace pleq
