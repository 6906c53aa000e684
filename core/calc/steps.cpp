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

QLatin1String latin1(std::string_view s)
{
    return QLatin1String(s.data(), qsizetype(s.size()));
}

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

QString numberText(double value)
{
    if (value == 0) // also -0, which a negated empty well can give
        return QStringLiteral("0");
    // d.dddddddddddddde±x: the value rounded to 15 significant digits (ties to even).
    char buffer[48];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, 14);
    std::string_view s(buffer, size_t(result.ptr - buffer));
    const bool negative = s.front() == '-';
    if (negative)
        s.remove_prefix(1);
    const size_t e = s.find('e');
    std::string digits(1, s.front());
    digits.append(s.substr(2, e - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    int exponent = 0;
    const bool negativeExponent = s.at(e + 1) == '-';
    for (const char c : s.substr(e + 2))
        exponent = exponent * 10 + (c - '0');
    if (negativeExponent)
        exponent = -exponent;

    const QChar separator = decimalSeparator();
    QString text;
    if (negative)
        text += QLatin1Char('-');
    // The notation follows the rounded value: 999999999999999.5 becomes 1E15.
    if (exponent >= -4 && exponent < 15) {
        if (exponent < 0) {
            text += QLatin1Char('0');
            text += separator;
            text += QString(-exponent - 1, QLatin1Char('0'));
            text += latin1(digits);
        } else {
            const size_t whole = size_t(exponent) + 1;
            if (digits.size() <= whole) {
                text += latin1(digits);
                text += QString(qsizetype(whole - digits.size()), QLatin1Char('0'));
            } else {
                text += latin1(std::string_view(digits).substr(0, whole));
                text += separator;
                text += latin1(std::string_view(digits).substr(whole));
            }
        }
    } else {
        text += QLatin1Char(digits.front());
        if (digits.size() > 1) {
            text += separator;
            text += latin1(std::string_view(digits).substr(1));
        }
        text += QLatin1Char('E');
        text += QString::number(exponent);
    }
    return text;
}

QString resultText(double v, bool doubtfulStep)
{
    QString text = numberText(v);
    if (v < 0)
        text = numberText(std::fabs(v)) + QLatin1Char(' ');
    if (doubtfulStep && v > 10) {
        // v − 10 to 3 decimals: divided by the double 0.001 in extended,
        // rounded to the nearest integer (ties to even), multiplied back.
        const Extended thousandth = 0.001;
        const Extended x = Extended(v) - 10;
        const double r = store(std::nearbyintl(x / thousandth) * thousandth);
        text = QLatin1Char('(') + numberText(r) + QLatin1Char(')');
    }
    return text;
}

void writeResults(Project& project, const DensityMatrix& values, bool doubtfulStep)
{
    TextGrid& results = project.resultTable();
    forEachWell([&](int col, int row) { results.setCell(col, row, resultText(values.at(col, row), doubtfulStep)); });
}

bool containsAnyOf(const QString& text, QStringView letters)
{
    for (const QChar letter : letters)
        if (text.contains(letter))
            return true;
    return false;
}

} // namespace pleq
