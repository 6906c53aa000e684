#include "core/files/protocolpages.h"

#include "core/files/fileio.h"
#include "core/files/protocol.h"

#include <algorithm>

namespace pleq {

QStringList protocolTextLines(const Project& project)
{
    return protocolTextLines(protocolBytes(project));
}

QStringList protocolTextLines(const QByteArray& protocol)
{
    QStringList lines = files::fromWindows1251(protocol).split(QStringLiteral("\r\n"));
    // The last line ends with CR LF too; nothing follows it.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

QList<ProtocolPage> protocolPages(const QStringList& lines, int linesPerPage)
{
    const qsizetype perPage = std::max(1, linesPerPage);
    const qsizetype count = std::max<qsizetype>(1, (lines.size() + perPage - 1) / perPage);
    QList<ProtocolPage> pages;
    for (qsizetype i = 0; i < count; ++i)
        pages.append({lines.mid(i * perPage, perPage), QStringLiteral("Стр. %1 из %2").arg(i + 1).arg(count)});
    return pages;
}

} // namespace pleq
