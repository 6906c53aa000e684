#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace pleq {

// The decimal separator of every number text the system writes. It is the
// user's locale (QLocale(), i.e. LC_ALL / LC_NUMERIC / LANG) unless a caller
// fixes it (tests, pleq-cli --decimal). This is the only place that asks.
QChar decimalSeparator();
void setDecimalSeparator(std::optional<QChar> separator);

// A number as every label and result shows it: 15 significant digits, no
// trailing zeros, the decimal separator above; fixed notation from 0.0001 up
// to below 10^15 once rounded, otherwise "5E-5", "1,5E20".
QString numberText(double value);

// A value rounded to a fixed number of decimals, the decimal separator above:
// "1,0920" for 1.092 to 4. One that rounds to zero is "0,00", never "-0,00".
// The control charts' means, SD and z.
QString fixedText(double value, int decimals);

} // namespace pleq
