#pragma once

#include <QString>
#include <QStringList>

namespace pleq {

// The kit catalogue: the five rows of the kit box, in list order. Every
// decision by kit reads the second character of the selected row ('1'..'5').
inline const QStringList& kitRows()
{
    static const QStringList rows = {
        QStringLiteral("01 - Набор «Зорвал-SR»"),
        QStringLiteral("02 - Набор «Зорвал-К»"),
        QStringLiteral("03 - Набор «Кимрен»"),
        QStringLiteral("04 - (Скриннинг) Набор «Тальвик»"),
        QStringLiteral("05 - (Верификация) Набор «Тальвик»"),
    };
    return rows;
}

} // namespace pleq
