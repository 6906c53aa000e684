#include "core/reader/portnames.h"

#include <QRegularExpression>

#include <algorithm>
#include <tuple>
#include <vector>

namespace pleq {

QString comPortName(int number)
{
    return QStringLiteral("COM") + QString::number(number);
}

QString comPortDevice(int number, const QStringList& existingDevices)
{
    static const QRegularExpression serialPath(QStringLiteral("^/dev/tty(S|USB|ACM)(0|[1-9][0-9]{0,8})$"));
    static const QStringList families = {QStringLiteral("S"), QStringLiteral("USB"), QStringLiteral("ACM")};

    std::vector<std::tuple<qsizetype, int, QString>> ordered; // family, number, path
    for (const QString& path : existingDevices) {
        const QRegularExpressionMatch m = serialPath.match(path);
        if (m.hasMatch())
            ordered.emplace_back(families.indexOf(m.captured(1)), m.captured(2).toInt(), path);
    }
    std::sort(ordered.begin(), ordered.end());
    ordered.erase(std::unique(ordered.begin(), ordered.end()), ordered.end());
    if (number < 1 || size_t(number) > ordered.size())
        return {};
    return std::get<2>(ordered[size_t(number) - 1]);
}

} // namespace pleq
