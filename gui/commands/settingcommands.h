#pragma once

#include "core/kits/kit.h"
#include "session/projectcommand.h"

#include <utility>

namespace pleq {

// The settings of the parameters and layout windows, one step each. The
// executor and the plate name are typed: the keys of one typing make one step.

class ExecutorEdit : public PartCommand<QString>
{
public:
    ExecutorEdit(Project& project, const QString& name);
    int id() const override { return 1; }
    bool mergeWith(const QUndoCommand* other) override { return mergeAfter(other); }

private:
    void edit() override;
    QString read() const override;
    void write(const QString& name) override;
    QString m_name;
};

class PlateNameEdit : public PartCommand<QString>
{
public:
    PlateNameEdit(Project& project, const QString& name);
    int id() const override { return 2; }
    bool mergeWith(const QUndoCommand* other) override { return mergeAfter(other); }

private:
    void edit() override;
    QString read() const override;
    void write(const QString& name) override;
    QString m_name;
};

// The first well of the next fill: row "A".."H", column "1".."12".
class FirstWellChoice : public PartCommand<std::pair<QString, QString>>
{
public:
    FirstWellChoice(Project& project, const QString& row, const QString& column);

private:
    void edit() override;
    std::pair<QString, QString> read() const override;
    void write(const std::pair<QString, QString>& well) override;
    QString m_row;
    QString m_column;
};

class RepetitionsChoice : public PartCommand<QString>
{
public:
    RepetitionsChoice(Project& project, const QString& repetitions);

private:
    void edit() override;
    QString read() const override;
    void write(const QString& repetitions) override;
    QString m_repetitions;
};

class ControlCountChoice : public PartCommand<QString>
{
public:
    ControlCountChoice(Project& project, const QString& count);

private:
    void edit() override;
    QString read() const override;
    void write(const QString& count) override;
    QString m_count;
};

class MaterialChoice : public PartCommand<int>
{
public:
    MaterialChoice(Project& project, int material);

private:
    void edit() override;
    int read() const override;
    void write(const int& material) override;
    int m_material;
};

class OrientationChoice : public PartCommand<bool>
{
public:
    OrientationChoice(Project& project, bool horizontal);

private:
    void edit() override;
    bool read() const override;
    void write(const bool& horizontal) override;
    bool m_horizontal;
};

// The kit change, which also checks the vertical orientation: its undo puts
// back the kit and the orientation.
class KitChoice : public PartCommand<std::pair<Kit, bool>>
{
public:
    KitChoice(Project& project, Kit kit);

private:
    void edit() override;
    std::pair<Kit, bool> read() const override;
    void write(const std::pair<Kit, bool>& kit) override;
    Kit m_kit;
};

} // namespace pleq
