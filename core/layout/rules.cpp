#include "core/layout/rules.h"

#include "core/layout/layouttable.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"

namespace pleq {

namespace {

constexpr int Rows = 8;
constexpr int Columns = 12;

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

void runRule(const LayoutTable& rule, TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
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

void applyLayout(const LayoutTable& table, TextGrid& plate, const TextGrid& samples, int r0, int c0, int k, int m)
{
    runRule(table, plate, samples, r0, c0, k, m);
}

} // namespace pleq
