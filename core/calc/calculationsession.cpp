#include "core/calc/calculationsession.h"

#include "core/model/project.h"
#include "core/model/textgrid.h"

namespace pleq {

CalculationSession::CalculationSession(Project& project, QObject* parent)
    : QObject(parent)
    , m_project(project)
{
    const TextGrid* plate[] = {&m_project.plateLayout(), &m_project.densityTable(), &m_project.resultTable()};
    for (const TextGrid* grid : plate) {
        connect(grid, &TextGrid::dataChanged, this, &CalculationSession::forget);
        connect(grid, &TextGrid::modelReset, this, &CalculationSession::forget);
    }
    connect(&m_project, &Project::kitChanged, this, &CalculationSession::forget);
    // Kits 04 and 05 calculate by the material; the plate name or the
    // executor may change without it.
    connect(&m_project, &Project::settingsChanged, this, [this] {
        if (m_project.material() != m_resultMaterial)
            forget();
    });
}

PlateResult CalculationSession::calculate(const MessageSink& message)
{
    m_lastRun.reset();
    PlateResult result = calculatePlate(m_project, message);
    m_lastRun = result;
    m_resultMaterial = m_project.material();
    return result;
}

} // namespace pleq
