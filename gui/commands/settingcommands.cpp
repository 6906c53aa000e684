#include "gui/commands/settingcommands.h"

#include "core/model/operations.h"
#include "core/model/project.h"

namespace pleq {

ExecutorEdit::ExecutorEdit(Project& project, const QString& name)
    : PartCommand(project, QStringLiteral("Исполнитель"))
    , m_name(name)
{
}

void ExecutorEdit::edit()
{
    changeExecutor(project(), m_name);
}
QString ExecutorEdit::read() const
{
    return project().executor();
}
void ExecutorEdit::write(const QString& name)
{
    changeExecutor(project(), name);
}

PlateNameEdit::PlateNameEdit(Project& project, const QString& name)
    : PartCommand(project, QStringLiteral("Наименование"))
    , m_name(name)
{
}

void PlateNameEdit::edit()
{
    changePlateName(project(), m_name);
}
QString PlateNameEdit::read() const
{
    return project().plateName();
}
void PlateNameEdit::write(const QString& name)
{
    changePlateName(project(), name);
}

FirstWellChoice::FirstWellChoice(Project& project, const QString& row, const QString& column)
    : PartCommand(project, QStringLiteral("Первая лунка"))
    , m_row(row)
    , m_column(column)
{
}

void FirstWellChoice::edit()
{
    changeFirstWell(project(), m_row, m_column);
}
std::pair<QString, QString> FirstWellChoice::read() const
{
    return {project().firstRow(), project().firstColumn()};
}
void FirstWellChoice::write(const std::pair<QString, QString>& well)
{
    changeFirstWell(project(), well.first, well.second);
}

RepetitionsChoice::RepetitionsChoice(Project& project, const QString& repetitions)
    : PartCommand(project, QStringLiteral("Повторности"))
    , m_repetitions(repetitions)
{
}

void RepetitionsChoice::edit()
{
    changeRepetitions(project(), m_repetitions);
}
QString RepetitionsChoice::read() const
{
    return project().repetitions();
}
void RepetitionsChoice::write(const QString& repetitions)
{
    changeRepetitions(project(), repetitions);
}

ControlCountChoice::ControlCountChoice(Project& project, const QString& count)
    : PartCommand(project, QStringLiteral("Контроли"))
    , m_count(count)
{
}

void ControlCountChoice::edit()
{
    changeControlCount(project(), m_count);
}
QString ControlCountChoice::read() const
{
    return project().controlCount();
}
void ControlCountChoice::write(const QString& count)
{
    changeControlCount(project(), count);
}

MaterialChoice::MaterialChoice(Project& project, int material)
    : PartCommand(project, QStringLiteral("Материал"))
    , m_material(material)
{
}

void MaterialChoice::edit()
{
    changeMaterial(project(), m_material);
}
int MaterialChoice::read() const
{
    return project().material();
}
void MaterialChoice::write(const int& material)
{
    changeMaterial(project(), material);
}

OrientationChoice::OrientationChoice(Project& project, bool horizontal)
    : PartCommand(project, QStringLiteral("Ориентация"))
    , m_horizontal(horizontal)
{
}

void OrientationChoice::edit()
{
    changeOrientation(project(), m_horizontal);
}
bool OrientationChoice::read() const
{
    return project().horizontal();
}
void OrientationChoice::write(const bool& horizontal)
{
    changeOrientation(project(), horizontal);
}

KitChoice::KitChoice(Project& project, Kit kit)
    : PartCommand(project, QStringLiteral("Набор"))
    , m_kit(kit)
{
}

void KitChoice::edit()
{
    changeKit(project(), m_kit);
}
std::pair<Kit, bool> KitChoice::read() const
{
    return {project().kit(), project().horizontal()};
}
void KitChoice::write(const std::pair<Kit, bool>& kit)
{
    restoreKit(project(), kit.first, kit.second);
}

} // namespace pleq
