#include "core/layout/rules.h"

#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"

#include <span>

namespace pleq {

namespace {

constexpr int Rows = 8;
constexpr int Columns = 12;

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

const ControlGroup Kit01[] = {{"S+", "S+!", 0}, {"R+", "R+!", 0}, {"C-", "C-!", 0}};
const ControlGroup Kit02[] = {{"C+", nullptr, 0}, {"C-", nullptr, 0}};
const ControlGroup Kit03[] = {{"C+", nullptr, 0}, {"C-", nullptr, 0}, {"O", nullptr, 0}};
// Kit 04 marks both wells of a pair alike; its calculation reads two "C+" and two "C-".
const ControlGroup Kit04[] = {{"C+", "C+", 0}, {"C-", "C-", 0}};
// Kit 05 always takes two positive control pairs.
const ControlGroup Kit05[] = {{"C+", "C+!", 2}, {"C-", "C-!", 0}};

struct RuleTable {
    std::span<const ControlGroup> controls;
    bool horizontal;
    Motion control;
    Motion sample;
};

// Kits 01 and 05 lay every item, control or sample, as a pair, so first and
// second wells keep to columns (rows) of their own parity; the kit 01
// calculation relies on it.
const RuleTable RuleN01Goriz{Kit01, true, {Shape::PairDown, 1, 2}, {Shape::PairDown, 1, 2}};
const RuleTable RuleN01Vert{Kit01, false, {Shape::PairRight, 1, 2}, {Shape::PairRight, 1, 2}};
const RuleTable RuleN02Goriz{Kit02, true, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN02Vert{Kit02, false, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN03Goriz{Kit03, true, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN03Vert{Kit03, false, {Shape::Single, 1, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN04Goriz{Kit04, true, {Shape::PairRight, 2, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN04Vert{Kit04, false, {Shape::PairDown, 2, 1}, {Shape::Single, 1, 1}};
const RuleTable RuleN05Vert{Kit05, false, {Shape::PairRight, 1, 2}, {Shape::PairRight, 1, 2}};

// The moving position of a fill. It may leave the plate on any side (a first
// well far off, or simply too many items); wells off the plate are not written.
// Wide integers, because a first column from a file may be any 32-bit value.
class Cursor
{
public:
    Cursor(TextGrid& plate, bool horizontal, int r0, int c0)
        : m_plate(plate)
        , m_horizontal(horizontal)
        , m_row(r0)
        , m_col(c0)
    {
    }

    // Rows only grow in a horizontal fill and columns in a vertical one, so
    // once past the last of them nothing can land on the plate any more.
    bool pastEnd() const { return m_horizontal ? m_row > Rows : m_col > Columns; }

    bool touchesPlate(Shape shape) const
    {
        return onPlate(m_row, m_col) || (shape == Shape::PairDown && onPlate(m_row + 1, m_col))
               || (shape == Shape::PairRight && onPlate(m_row, m_col + 1));
    }

    void write(Shape shape, const QString& first, const QString& second)
    {
        put(m_row, m_col, first);
        if (shape == Shape::PairDown)
            put(m_row + 1, m_col, second);
        else if (shape == Shape::PairRight)
            put(m_row, m_col + 1, second);
    }

    void step(const Motion& motion)
    {
        if (m_horizontal) {
            m_col += motion.step;
            if (m_col > Columns) {
                m_col = 1;
                m_row += motion.wrap;
            }
        } else {
            m_row += motion.step;
            if (m_row > Rows) {
                m_row = 1;
                m_col += motion.wrap;
            }
        }
    }

private:
    static bool onPlate(qint64 row, qint64 col) { return row >= 1 && row <= Rows && col >= 1 && col <= Columns; }

    void put(qint64 row, qint64 col, const QString& text)
    {
        if (onPlate(row, col))
            m_plate.setCell(int(col), int(row), text);
    }

    TextGrid& m_plate;
    bool m_horizontal;
    qint64 m_row;
    qint64 m_col;
};

void runRule(const RuleTable& rule, TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    Project::fillEmpty(plate, Project::EmptyWell);
    Cursor cursor(plate, rule.horizontal, r0, c0);

    for (const ControlGroup& group : rule.controls) {
        Q_ASSERT((group.second == nullptr) == (rule.control.shape == Shape::Single));
        const QString first = QLatin1String(group.first);
        const QString second = group.second ? QLatin1String(group.second) : QString();
        const int count = group.count > 0 ? group.count : k;
        for (int n = 0; n < count && !cursor.pastEnd(); ++n) {
            cursor.write(rule.control.shape, first, second);
            cursor.step(rule.control);
        }
    }

    // Every quantity is converted, also after the plate is full: a bad one
    // must still end the fill with its message.
    for (int i = 1; i < samples.rows(); ++i) {
        const int q = toInt(samples.cell(2, i));
        for (int j = 1; j <= q && !cursor.pastEnd(); ++j) {
            QString text; // built only once a well of it lands on the plate
            for (int rep = 0; rep < m && !cursor.pastEnd(); ++rep) {
                if (cursor.touchesPlate(rule.sample.shape)) {
                    if (text.isNull())
                        text = QString::number(i) + QLatin1Char('.') + QString::number(j);
                    cursor.write(rule.sample.shape, text, text);
                }
                cursor.step(rule.sample);
            }
        }
    }
}

} // namespace

void N01Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN01Goriz, plate, samples, r0, c0, k, m);
}

void N01Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN01Vert, plate, samples, r0, c0, k, m);
}

void N02Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN02Goriz, plate, samples, r0, c0, k, m);
}

void N02Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN02Vert, plate, samples, r0, c0, k, m);
}

void N03Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN03Goriz, plate, samples, r0, c0, k, m);
}

void N03Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN03Vert, plate, samples, r0, c0, k, m);
}

void N04Goriz(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN04Goriz, plate, samples, r0, c0, k, m);
}

void N04Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN04Vert, plate, samples, r0, c0, k, m);
}

void N05Vert(TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(RuleN05Vert, plate, samples, r0, c0, k, m);
}

LayoutRule layoutRule(QChar kit, bool horizontal)
{
    switch (kit.unicode()) {
    case '1':
        return horizontal ? N01Goriz : N01Vert;
    case '2':
        return horizontal ? N02Goriz : N02Vert;
    case '3':
        return horizontal ? N03Goriz : N03Vert;
    case '4':
        return horizontal ? N04Goriz : N04Vert;
    case '5':
        return N05Vert;
    default:
        return nullptr;
    }
}

} // namespace pleq
