#include "core/model/project.h"

#include "core/model/errors.h"
#include "core/kits/catalogue.h"

namespace pleq {

const QString Project::EmptyWell = QStringLiteral(" - ");
const QString Project::PlateLockedMessage =
    QStringLiteral("Идет получение данных с ридера. Дождитесь окончания или нажмите «Прервать».");

const char* labelName(Label label)
{
    static const char* const names[LabelCount] = {"s0", "s1", "s2", "s3", "s4", "s5", "ot1", "ot2", "dC0", "dC1"};
    return names[int(label)];
}

const char* labelColorName(LabelColor color)
{
    switch (color) {
    case LabelColor::Green: return "green";
    case LabelColor::Red: return "red";
    case LabelColor::Default: break;
    }
    return "default";
}

Project::Project(QObject* parent)
    : QObject(parent)
{
    m_layout.setParent(this);
    m_samples.setParent(this);
    m_densities.setParent(this);
    m_results.setParent(this);
    m_samples.setEditable(true);
    m_densities.setEditable(true);
    fillEmptyLayout();
    fillEmptyDensities();
    fillEmptyResults();
    resetSampleTable();
}

void Project::setExecutor(const QString& name)
{
    if (m_executor == name)
        return;
    m_executor = name;
    Q_EMIT settingsChanged();
}

void Project::setPlateLocked(bool locked)
{
    if (m_plateLocked == locked)
        return;
    m_plateLocked = locked;
    Q_EMIT plateLockChanged(locked);
}

void Project::ensureUnlocked() const
{
    if (m_plateLocked)
        throw Error(PlateLockedMessage);
}

QString Project::kitRow() const
{
    return kitEntry(m_kit).rowText();
}

bool Project::materialOffered() const
{
    return kitEntry(m_kit).materialOffered;
}

bool Project::horizontalOffered() const
{
    return kitEntry(m_kit).horizontalOffered();
}

void Project::selectKit(Kit kit)
{
    m_kit = kit;
    m_horizontal = false;
    Q_EMIT kitChanged();
    Q_EMIT settingsChanged();
}

void Project::setPlateName(const QString& name)
{
    if (m_plateName == name)
        return;
    m_plateName = name;
    Q_EMIT settingsChanged();
}

void Project::setFirstWell(const FirstWell& well)
{
    if (m_firstWell == well)
        return;
    m_firstWell = well;
    Q_EMIT settingsChanged();
}

void Project::setHorizontal(bool horizontal)
{
    if (m_horizontal == horizontal)
        return;
    m_horizontal = horizontal;
    Q_EMIT settingsChanged();
}

void Project::setControlCount(const ControlCount& count)
{
    if (m_controlCount == count)
        return;
    m_controlCount = count;
    Q_EMIT settingsChanged();
}

void Project::setRepetitions(const Repetitions& repetitions)
{
    if (m_repetitions == repetitions)
        return;
    m_repetitions = repetitions;
    Q_EMIT settingsChanged();
}

void Project::setMaterial(Material material)
{
    if (m_material == material)
        return;
    m_material = material;
    Q_EMIT settingsChanged();
}

void Project::setLabelText(Label l, const QString& text)
{
    m_labels[size_t(l)].text = text;
    Q_EMIT labelsChanged();
}

void Project::setLabelColor(Label l, LabelColor color)
{
    m_labels[size_t(l)].color = color;
    Q_EMIT labelsChanged();
}

void Project::setLabelVisible(Label l, bool visible)
{
    m_labels[size_t(l)].visible = visible;
    Q_EMIT labelsChanged();
}

void Project::setPortNumber(int number)
{
    m_portNumber = number;
}

void Project::appendLog(const QString& line)
{
    m_log.append(line);
    Q_EMIT logAppended(line);
}

void Project::fillEmpty(TextGrid& grid, const QString& blank)
{
    Q_ASSERT(grid.columns() == PlateColumns && grid.rows() == PlateRows);
    for (int col = 0; col < PlateColumns; ++col) {
        for (int row = 0; row < PlateRows; ++row) {
            if (row == 0 && col > 0)
                grid.setCell(col, row, QString::number(col));
            else if (col == 0 && row > 0)
                grid.setCell(col, row, TextGrid::rowLetter(row));
            else
                grid.setCell(col, row, blank);
        }
    }
}

void Project::fillEmptyLayout()
{
    fillEmpty(m_layout, EmptyWell);
}

void Project::fillEmptyDensities()
{
    fillEmpty(m_densities, QString());
}

void Project::fillEmptyResults()
{
    m_resultWells = PlateWells();
    fillEmpty(m_results, QString());
}

void Project::setResultWells(const PlateWells& wells)
{
    m_resultWells = wells;
    for (int col = 1; col < PlateColumns; ++col)
        for (int row = 1; row < PlateRows; ++row)
            m_results.setCell(col, row, wells.at(col, row).shownText());
}

void Project::resetLabels()
{
    for (SummaryLabel& l : m_labels)
        l.text = QStringLiteral("-");
    Q_EMIT labelsChanged();
}

void Project::resetSampleTable()
{
    m_samples.assign(2, {QStringLiteral("№"), QStringLiteral("1"), QStringLiteral("Проба "), QStringLiteral("Проба №1"),
                         QStringLiteral("Кол-во"), QStringLiteral("1")});
}

} // namespace pleq
