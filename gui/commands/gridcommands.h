#pragma once

#include "core/files/readerexport.h"
#include "core/model/densityblock.h"
#include "session/projectcommand.h"

#include <QList>
#include <QPoint>
#include <QStringList>

namespace pleq {

// The edits of the three grids the user changes: the plate map ("Заполнить"),
// the sample list and the densities. Each keeps its grid's texts before and
// after; a result the window shows (a row's index, a paste's cut, an import's
// message) goes to the place the caller gives, during the run only.

class PlateLayoutCommand : public PartCommand<QStringList>
{
protected:
    using PartCommand::PartCommand;
    QStringList read() const override;
    void write(const QStringList& texts) override;
};

class SampleListCommand : public PartCommand<QStringList>
{
protected:
    using PartCommand::PartCommand;
    QStringList read() const override;
    void write(const QStringList& texts) override;
};

class DensitiesCommand : public PartCommand<QStringList>
{
protected:
    using PartCommand::PartCommand;
    QStringList read() const override;
    void write(const QStringList& texts) override;
};

// "Заполнить".
class PlateFill : public PlateLayoutCommand
{
public:
    explicit PlateFill(Project& project);

private:
    void edit() override;
};

// "Добавить" / "+": the new row's index goes to `row`.
class SampleRowAddition : public SampleListCommand
{
public:
    SampleRowAddition(Project& project, int* row);

private:
    void edit() override;
    int* m_row;
};

// "Удалить" / "-".
class SampleRowDeletion : public SampleListCommand
{
public:
    SampleRowDeletion(Project& project, int row);

private:
    void edit() override;
    int m_row;
};

// A sample's name (column 1) or quantity (column 2) typed.
class SampleCellEdit : public SampleListCommand
{
public:
    SampleCellEdit(Project& project, int col, int row, const QString& text);

private:
    void edit() override;
    int m_col;
    int m_row;
    QString m_text;
};

// A density typed into a well.
class DensityCellEdit : public DensitiesCommand
{
public:
    DensityCellEdit(Project& project, int col, int row, const QString& text);

private:
    void edit() override;
    int m_col;
    int m_row;
    QString m_text;
};

// Ctrl+V: a block pasted from the well `well` on; what it did goes to `result`.
class DensityPaste : public DensitiesCommand
{
public:
    DensityPaste(Project& project, QPoint well, const QString& text, PasteResult* result);

private:
    void edit() override;
    QPoint m_well;
    QString m_text;
    PasteResult* m_result;
};

// Delete or Backspace: the selected wells emptied.
class DensityCellsClearing : public DensitiesCommand
{
public:
    DensityCellsClearing(Project& project, const QList<QPoint>& wells);

private:
    void edit() override;
    QList<QPoint> m_wells;
};

// "Очистить данные".
class DensitiesClearing : public DensitiesCommand
{
public:
    explicit DensitiesClearing(Project& project);

private:
    void edit() override;
};

// "Импорт ...": the densities of a reader's export file; the message for the
// user goes to `message`.
class DensityImport : public DensitiesCommand
{
public:
    DensityImport(Project& project, const QString& path, const files::ImportChoice& choice, QString* message);

private:
    void edit() override;
    QString m_path;
    files::ImportChoice m_choice;
    QString* m_message;
};

} // namespace pleq
