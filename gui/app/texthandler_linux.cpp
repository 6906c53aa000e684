#include "gui/app/texthandler.h"

#include <QProcess>

namespace pleq {

bool textFileHandlerPresent()
{
    QProcess query;
    query.start(QStringLiteral("xdg-mime"),
                {QStringLiteral("query"), QStringLiteral("default"), QStringLiteral("text/plain")});
    // A tool that does not answer within two seconds is taken as no handler.
    if (!query.waitForStarted(2000) || !query.waitForFinished(2000)) {
        query.kill();
        query.waitForFinished(500);
        return false;
    }
    return query.exitStatus() == QProcess::NormalExit && query.exitCode() == 0
           && !query.readAllStandardOutput().trimmed().isEmpty();
}

} // namespace pleq
