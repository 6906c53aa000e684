#pragma once

#include <QByteArray>
#include <QString>

namespace pleq::files {

// File work shared by the project file and the protocol. Errors are thrown as
// Error with "File not found" / "File access denied" where they fit, otherwise
// the system's own text.

// Reads a whole file, refusing one larger than `limit` bytes (a device or a
// huge file chosen by mistake must not fill the memory).
QByteArray readFile(const QString& path, qint64 limit);

// Writes the bytes to a temporary file beside `path` and renames it over
// `path` only once complete: on any failure the earlier file stays as it was
// and no partial file remains.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Windows-1251 bytes of a text. A character the code page cannot hold becomes
// `substitute`; the first such character is stored in `firstUnrepresentable`
// (left as it is when there is none).
QByteArray toWindows1251(const QString& text, char substitute, QString* firstUnrepresentable);
QString fromWindows1251(const QByteArray& bytes);

} // namespace pleq::files
