#pragma once

#include <QByteArray>
#include <QString>

namespace pleq {

class Project;
struct PlateResult;

// A "Расчет" run as a JSON document (UTF-8): kit, the ten labels with text,
// colour and visibility, messages, log, the 8 × 12 result texts as the run
// wrote them ("0" wells included), error or null, and then one object per
// well, row by row: name, layout text, result text, value, kind, sample
// number and verdict.
QByteArray calculationJson(const Project& project, const PlateResult& result);
// The same for a reader.
QString calculationText(const Project& project, const PlateResult& result);

} // namespace pleq
