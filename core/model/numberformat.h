#pragma once

#include <QChar>

#include <optional>

namespace pleq {

// The decimal separator of every number text the system writes. It is the
// user's locale (QLocale(), i.e. LC_ALL / LC_NUMERIC / LANG) unless a caller
// fixes it (tests, pleq-cli --decimal). This is the only place that asks.
QChar decimalSeparator();
void setDecimalSeparator(std::optional<QChar> separator);

} // namespace pleq
