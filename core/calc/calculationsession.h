#pragma once

#include "core/calc/calculation.h"
#include "core/calc/plateresult.h"

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

    // "Расчет" (calculatePlate): the run is kept when it ends; a run an error
    // stopped is returned with its error and leaves no last result. Throws
    // Error while the plate is locked.
    PlateResult calculate(const MessageSink& message);

    // The last run while the plate is as it left it, or none.
    const PlateResult* lastResult() const { return m_lastResult ? &*m_lastResult : nullptr; }

private:
    void forget() { m_lastResult.reset(); }

    Project& m_project;
    std::optional<PlateResult> m_lastResult;
    int m_resultMaterial = 0;
};

} // namespace pleq
