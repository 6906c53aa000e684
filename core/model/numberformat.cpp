#include "core/model/numberformat.h"

#include <QLocale>
#include <QString>

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace pleq {

namespace {

std::optional<QChar> g_separator;

QLatin1String latin1(std::string_view s)
{
    return QLatin1String(s.data(), qsizetype(s.size()));
}

} // namespace

QChar decimalSeparator()
{
    if (g_separator)
        return *g_separator;
    const QString point = QLocale().decimalPoint();
    return point.size() == 1 ? point.at(0) : QLatin1Char('.');
}

void setDecimalSeparator(std::optional<QChar> separator)
{
    g_separator = separator;
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

QString fixedText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', decimals).replace(QLatin1Char('.'), decimalSeparator());
}

} // namespace pleq
