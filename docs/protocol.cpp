#include "docs/protocol.h"

#include "model/errors.h"
#include "model/project.h"

namespace pleq {

// Skeleton: the protocol is built with the project documents.
QByteArray protocolBytes(const Project&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

void writeProtocol(const Project&, const QString&)
{
    throw Error(QStringLiteral("Not yet implemented"));
}

} // namespace pleq
