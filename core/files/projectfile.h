#pragma once

#include <QByteArray>
#include <QString>

namespace pleq {

class Project;

// The project file (*.plq): one value per line, positional, Windows-1251, CR LF.

// The chosen save name with ".plq" appended unless it contains ".plq" anywhere.
QString projectFileName(const QString& chosen);

// The bytes of the project file. Throws Error (naming the field) when a text
// cannot be stored faithfully, so that a file always reopens to the same project.
QByteArray writeProjectFile(const Project& project);

// Reads and checks the whole file first; only a file that reads completely is
// applied (settings, grids, kit change with the restored orientation, results
// emptied, labels reset). Throws Error and changes nothing otherwise.
void readProjectFile(Project& project, const QByteArray& bytes);

// The two commands' file work: saving replaces the target only once the new
// file is complete; opening reads the named file. Both throw Error.
void saveProject(const Project& project, const QString& path);
void openProject(Project& project, const QString& path);

} // namespace pleq
