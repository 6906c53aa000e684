#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace pleq {

class Project;

// One "Расчет" run without windows, as pleq-cli reports it.
struct CalculationRun {
    QStringList messages;         // validity messages, in the order shown
    QStringList log;              // lines the run appended to the reader log
    std::optional<QString> error; // the message that stopped the run
};

// Runs the calculation on the project, recording its messages and log lines
// and catching the error that stops it. The result grid is left as the run
// stored it ("0" wells included).
CalculationRun runCalculation(Project& project);

// The run as a JSON document (UTF-8): kit, the ten labels with text, colour
// and visibility, messages, log, the 8 × 12 result texts, error or null.
QByteArray calculationJson(const Project& project, const CalculationRun& run);
// The same for a reader.
QString calculationText(const Project& project, const CalculationRun& run);

} // namespace pleq
