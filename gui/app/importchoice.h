#pragma once

#include "core/files/readerexport.h"

#include <optional>

class QString;
class QWidget;

namespace pleq {

// The table and repeat "Импорт ..." takes from the reader export at `path`:
// the user picks (Dialogs::choose) among its tables of densities when none is
// the default, and among the repeats when each well holds several values;
// otherwise the file's default. Nothing when the user cancelled. Throws Error
// when the file cannot be read or holds no plate.
std::optional<files::ImportChoice> chooseImport(QWidget* parent, const QString& path);

} // namespace pleq
