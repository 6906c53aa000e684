#include "gui/commands/gridcommands.h"

#include "core/files/readerexport.h"
#include "core/layout/fill.h"
#include "core/model/operations.h"
#include "core/model/project.h"

namespace pleq {

QStringList PlateLayoutCommand::read() const
{
    return project().plateLayout().columnMajorTexts();
}
void PlateLayoutCommand::write(const QStringList& texts)
{
    restorePlateLayout(project(), texts);
}

QStringList SampleListCommand::read() const
{
    return project().sampleTable().columnMajorTexts();
}
void SampleListCommand::write(const QStringList& texts)
{
    restoreSampleTable(project(), texts);
}

QStringList DensitiesCommand::read() const
{
    return project().densityTable().columnMajorTexts();
}
void DensitiesCommand::write(const QStringList& texts)
{
    restoreDensities(project(), texts);
}

PlateFill::PlateFill(Project& project)
    : PlateLayoutCommand(project, QStringLiteral("Заполнить"))
{
}

void PlateFill::edit()
{
    fillPlate(project());
}

SampleRowAddition::SampleRowAddition(Project& project, int* row)
    : SampleListCommand(project, QStringLiteral("Добавить пробу"))
    , m_row(row)
{
}

void SampleRowAddition::edit()
{
    *m_row = addSampleRow(project());
}

SampleRowDeletion::SampleRowDeletion(Project& project, int row)
    : SampleListCommand(project, QStringLiteral("Удалить пробу"))
    , m_row(row)
{
}

void SampleRowDeletion::edit()
{
    deleteSampleRow(project(), m_row);
}

SampleCellEdit::SampleCellEdit(Project& project, int col, int row, const QString& text)
    : SampleListCommand(project, col == 2 ? QStringLiteral("Количество пробы") : QStringLiteral("Название пробы"))
    , m_col(col)
    , m_row(row)
    , m_text(text)
{
}

void SampleCellEdit::edit()
{
    changeSampleCell(project(), m_col, m_row, m_text);
}

DensityCellEdit::DensityCellEdit(Project& project, int col, int row, const QString& text)
    : DensitiesCommand(project, QStringLiteral("Ввод плотности"))
    , m_col(col)
    , m_row(row)
    , m_text(text)
{
}

void DensityCellEdit::edit()
{
    changeDensityCell(project(), m_col, m_row, m_text);
}

DensityPaste::DensityPaste(Project& project, QPoint well, const QString& text, PasteResult* result)
    : DensitiesCommand(project, QStringLiteral("Вставка"))
    , m_well(well)
    , m_text(text)
    , m_result(result)
{
}

void DensityPaste::edit()
{
    *m_result = pasteDensities(project(), m_well.x(), m_well.y(), m_text);
}

DensityCellsClearing::DensityCellsClearing(Project& project, const QList<QPoint>& wells)
    : DensitiesCommand(project, QStringLiteral("Удаление"))
    , m_wells(wells)
{
}

void DensityCellsClearing::edit()
{
    clearDensityCells(project(), m_wells);
}

DensitiesClearing::DensitiesClearing(Project& project)
    : DensitiesCommand(project, QStringLiteral("Очистить данные"))
{
}

void DensitiesClearing::edit()
{
    clearDensities(project());
}

DensityImport::DensityImport(Project& project, const QString& path, const files::ImportChoice& choice, QString* message)
    : DensitiesCommand(project, QStringLiteral("Импорт"))
    , m_path(path)
    , m_choice(choice)
    , m_message(message)
{
}

void DensityImport::edit()
{
    *m_message = files::importDensities(project(), m_path, m_choice);
}

} // namespace pleq
