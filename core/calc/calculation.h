#pragma once

#include "core/calc/plateresult.h"

#include <QString>

#include <functional>

namespace pleq {

class Project;

// Shows one validity message and returns once the user has closed it.
using MessageSink = std::function<void(const QString& text)>;

// "Расчет": makes s2 visible and runs the calculation of the selected kit on
// the project, writing the summary labels and the result wells. A failed
// validity check goes to `message` (when given) and the run goes on; a
// conversion or division error stops the run where it happens and is returned
// as the result's error, with what the run had written before it kept.
// Throws Error while the plate is locked, before anything has changed.
PlateResult calculatePlate(Project& project, const MessageSink& message);

} // namespace pleq
