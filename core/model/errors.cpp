#include "core/model/errors.h"

#include <limits>

namespace pleq {

Error::Error(QString message)
    : m_message(std::move(message))
    , m_utf8(m_message.toUtf8())
{
}

Error notAnInteger(const QString& text)
{
    return Error(QStringLiteral("'%1' is not a valid integer value").arg(text));
}

Error notAFloat(const QString& text)
{
    return Error(QStringLiteral("'%1' is not a valid floating point value").arg(text));
}

std::optional<int> intValue(const QString& text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-'))) {
        negative = text.at(i) == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > qint64(1) << 31)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return std::nullopt;
    return int(value);
}

int toInt(const QString& text)
{
    const std::optional<int> value = intValue(text);
    if (!value)
        throw notAnInteger(text);
    return *value;
}

} // namespace pleq
