#pragma once

#include <QString>

#include <functional>

namespace pleq {

class Project;

// Shows one validity message and returns once the user has closed it.
using MessageSink = std::function<void(const QString& text)>;

// "Расчет": makes s2 visible and runs the calculation of the selected kit on
// the project, writing the summary labels and the result grid. A failed
// validity check goes to `message` and the run goes on; a conversion or
// division error is thrown as Error and stops the run where it happens.
void calculate(Project& project, const MessageSink& message);

// What drawing the result grid does to its wells: a well holding exactly "0"
// becomes empty. Called once the window shows a calculation's results (and by
// pleq-cli at the same point), never from a paint routine.
void emptyZeroResults(Project& project);

} // namespace pleq
