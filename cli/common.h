#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace pleq {
class Project;
}

namespace pleq::cli {

// Standard output and error, UTF-8 text or raw bytes.
void out(const QString& text);
void outBytes(const QByteArray& bytes);
void err(const QString& text);

// Prints "pleq-cli: " + message to stderr and returns the failure status 1.
int fail(const QString& message);

// Opens a project file as "Открыть ..." does. Throws Error.
std::unique_ptr<Project> loadProject(const QString& path);

// Writes bytes to a file (atomically) or, for an empty path, to stdout. Throws Error.
void writeOutput(const QString& path, const QByteArray& bytes);

} // namespace pleq::cli
