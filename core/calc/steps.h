#pragma once

#include "core/model/numberformat.h"
#include "core/model/wellresult.h"

#include <QString>
#include <QStringView>

#include <array>

namespace pleq {

class Project;
class TextGrid;

// The densities of one run, one double per well, addressed [col][row] like the
// grids (1..12, 1..8). The kit procedures mark it in place: a negative well is
// negated, a doubtful one gets 10 added.
class DensityMatrix
{
public:
    double& at(int col, int row) { return m_values[size_t(col * 9 + row)]; }
    double at(int col, int row) const { return m_values[size_t(col * 9 + row)]; }

private:
    std::array<double, 13 * 9> m_values{};
};

// Every pass over the wells: column by column, and within a column A to H.
// Where a rule takes the first or the last well with some text, this decides.
template<typename Fn> void forEachWell(Fn&& fn)
{
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            fn(col, row);
}

// One density text as a number. A text of at most one character counts as 0.
// Otherwise: blanks around, an optional sign, digits with at most one decimal
// mark, which may be "," or "." whatever the locale (reader data come with a
// full stop), an optional exponent after E or e; no thousands separators.
// Anything else, or a value beyond the double's range, throws notAFloat(text).
double readDensity(const QString& text);
DensityMatrix readDensities(const TextGrid& densities);

// The value of the last well in scan order whose layout text is exactly
// `name`; 0 when there is none.
double controlValue(const DensityMatrix& densities, const TextGrid& layout, QStringView name);

// The result of a well for its marked value v: negative when v < 0 (the
// number is |v|), with `doubtfulStep` (kits 02 to 05) doubtful when v > 10
// (the number is v − 10 rounded to 3 decimals), otherwise positive, or no
// class for 0.
WellResult markedWell(double v, bool doubtfulStep);
// Stores the 96 result wells of the marked matrix in the project.
void writeResults(Project& project, const DensityMatrix& values, bool doubtfulStep);

// Whether a layout text makes a well a control position when classifying:
// it contains one of `letters` ("SRC" for kits 01, 02, 04, 05, "SOC" for kit 03).
bool containsAnyOf(const QString& text, QStringView letters);

} // namespace pleq
