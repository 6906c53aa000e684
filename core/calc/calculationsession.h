#pragma once

#include "core/calc/calculation.h"
#include "core/calc/plateresult.h"
#include "core/model/settings.h"

#include <QObject>

#include <optional>

namespace pleq {

class Project;

// The last "Расчет" run and whether it still matches the project: the
// windows, the results export and the archive read the run from here, never
// from a window. A run counts while the plate is as it left it; a change of
// the kit, the material, the layout, the densities or the results (an edit,
// its undo, the reader, a project opened) forgets it. The plate name and the
// executor are no part of the run.
class CalculationSession : public QObject
{
    Q_OBJECT
public:
    explicit CalculationSession(Project& project, QObject* parent = nullptr);

    Project& project() const { return m_project; }

    // "Расчет" (calculatePlate): the run is kept, also one an error stopped
    // (the archive stores it with its error). Throws Error while the plate is locked.
    PlateResult calculate(const MessageSink& message);

    // The last run that ended, while the plate is as it left it, or none:
    // the results to export.
    const PlateResult* lastResult() const { return m_lastRun && !m_lastRun->error ? &*m_lastRun : nullptr; }
    // The last run, ended or stopped by an error, while the plate is as it
    // left it, or none: what the archive stores with the plate.
    const PlateResult* lastRun() const { return m_lastRun ? &*m_lastRun : nullptr; }

private:
    void forget() { m_lastRun.reset(); }

    Project& m_project;
    std::optional<PlateResult> m_lastRun;
    Material m_resultMaterial = Material::Milk;
};

} // namespace pleq
