#include "core/calc/steps.h"

#include "core/calc/precision.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace pleq {

double store(Extended value)
{
    const double stored = double(value);
    if (!std::isfinite(stored))
        throw Error(QStringLiteral("Floating point overflow"));
    return stored;
}

Extended divide(Extended a, Extended b)
{
    if (b == 0)
        throw Error(a == 0 ? QStringLiteral("Invalid floating point operation")
                           : QStringLiteral("Floating point division by zero"));
    return a / b;
}

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

double readDensity(const QString& text)
{
    const QString t = text.size() <= 1 ? QStringLiteral("0") : text;
    // The accepted form is checked here, then rewritten with a full stop for
    // the locale-free conversion.
    std::string ascii;
    ascii.reserve(size_t(t.size()));
    qsizetype i = 0;
    qsizetype end = t.size();
    while (i < end && t.at(i) == QLatin1Char(' '))
        ++i;
    while (end > i && t.at(end - 1) == QLatin1Char(' '))
        --end;
    if (i < end && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-'))) {
        if (t.at(i) == QLatin1Char('-'))
            ascii += '-';
        ++i;
    }
    int digits = 0;
    bool mark = false;
    for (; i < end; ++i) {
        const QChar c = t.at(i);
        if (isAsciiDigit(c)) {
            ascii += char(c.unicode());
            ++digits;
        } else if (!mark && (c == QLatin1Char(',') || c == QLatin1Char('.'))) {
            mark = true;
            ascii += '.';
        } else {
            break;
        }
    }
    if (digits == 0)
        throw notAFloat(text);
    if (i < end && (t.at(i) == QLatin1Char('e') || t.at(i) == QLatin1Char('E'))) {
        ascii += 'e';
        ++i;
        if (i < end && (t.at(i) == QLatin1Char('+') || t.at(i) == QLatin1Char('-')))
            ascii += char(t.at(i++).unicode());
        int exponentDigits = 0;
        for (; i < end && isAsciiDigit(t.at(i)); ++i, ++exponentDigits)
            ascii += char(t.at(i).unicode());
        if (exponentDigits == 0)
            throw notAFloat(text);
    }
    if (i != end)
        throw notAFloat(text);

    // Rounded to extended first, then stored as a double, as every value of a run.
    Extended value = 0;
    const char* const last = ascii.data() + ascii.size();
    const auto [ptr, ec] = std::from_chars(ascii.data(), last, value);
    if (ec != std::errc() || ptr != last)
        throw notAFloat(text);
    const double density = double(value);
    if (!std::isfinite(density))
        throw notAFloat(text);
    return density;
}

DensityMatrix readDensities(const TextGrid& densities)
{
    DensityMatrix matrix;
    forEachWell([&](int col, int row) { matrix.at(col, row) = readDensity(densities.cell(col, row)); });
    return matrix;
}

double controlValue(const DensityMatrix& densities, const TextGrid& layout, QStringView name)
{
    double value = 0;
    forEachWell([&](int col, int row) {
        if (layout.cell(col, row) == name)
            value = densities.at(col, row);
    });
    return value;
}

WellResult markedWell(double v, bool doubtfulStep)
{
    if (v < 0)
        return {std::fabs(v), Verdict::Negative};
    if (doubtfulStep && v > 10) {
        // v − 10 to 3 decimals: divided by the double 0.001 in extended,
        // rounded to the nearest integer (ties to even), multiplied back.
        const Extended thousandth = 0.001;
        const Extended x = Extended(v) - 10;
        return {store(std::nearbyintl(x / thousandth) * thousandth), Verdict::Doubtful};
    }
    if (v > 0)
        return {v, Verdict::Positive};
    return {0.0, Verdict::None}; // also for -0, which a negated empty well can give
}

void writeResults(Project& project, const DensityMatrix& values, bool doubtfulStep)
{
    PlateWells wells;
    forEachWell([&](int col, int row) { wells.at(col, row) = markedWell(values.at(col, row), doubtfulStep); });
    project.setResultWells(wells);
}

bool containsAnyOf(const QString& text, QStringView letters)
{
    for (const QChar letter : letters)
        if (text.contains(letter))
            return true;
    return false;
}

} // namespace pleq
