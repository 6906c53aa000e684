#include "docs/projectfile.h"

#include "model/errors.h"
#include "model/project.h"

namespace pleq {

// Skeleton: the format is built with the project documents.

QString projectFileName(const QString& chosen)
{
    return chosen.contains(QStringLiteral(".plq")) ? chosen : chosen + QStringLiteral(".plq");
}

QByteArray writeProjectFile(const Project&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

void readProjectFile(Project&, const QByteArray&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

void saveProject(const Project&, const QString&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

void openProject(Project&, const QString&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

} // namespace pleq
