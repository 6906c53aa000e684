#include "core/model/numberformat.h"

#include <QLocale>
#include <QString>

namespace pleq {

namespace {
std::optional<QChar> g_separator;
}

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

} // namespace pleq
