#include "archive/sqlwarnings.h"

#include <QtGlobal>
#include <QString>

namespace pleq {

namespace {

QtMessageHandler previous = nullptr;

bool fromQtSql(const QString& message)
{
    static const char* const Prefixes[] = {"QSql", "QPSQL", "QSQLITE", "Unable to free statement"};
    for (const char* prefix : Prefixes)
        if (message.startsWith(QLatin1String(prefix)))
            return true;
    return false;
}

void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if ((type == QtWarningMsg || type == QtDebugMsg) && fromQtSql(message))
        return;
    if (previous)
        previous(type, context, message);
}

} // namespace

void silenceSqlWarnings()
{
    QtMessageHandler installed = qInstallMessageHandler(handle);
    if (installed != handle)
        previous = installed;
}

} // namespace pleq
