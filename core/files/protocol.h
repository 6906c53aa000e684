#pragma once

#include <QByteArray>
#include <QString>

namespace pleq {

class Project;

// The printed protocol of the plate (result.txt), Windows-1251, CR LF: the
// kit, the layout, the samples and the result wells of the last calculation
// as the project holds them. Throws Error on a sample quantity that is not
// an integer or is more than the wells of a plate.
QByteArray protocolBytes(const Project& project);

// Writes the protocol to `path`, replacing the file only once it is complete.
// Throws Error; on an error an earlier file stays as it was.
void writeProtocol(const Project& project, const QString& path);

} // namespace pleq
