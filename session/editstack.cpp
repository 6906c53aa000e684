#include "session/editstack.h"

#include "core/model/project.h"
#include "session/projectcommand.h"

namespace pleq {

EditStack::EditStack(Project& project, QObject* parent)
    : QUndoStack(parent)
    , m_project(project)
{
    connect(&m_project, &Project::plateLockChanged, this, [this](bool locked) {
        if (locked)
            clear();
    });
}

void EditStack::edit(std::unique_ptr<ProjectCommand> command)
{
    try {
        command->run();
    } catch (...) {
        if (command->changed())
            push(command.release());
        throw;
    }
    if (command->changed())
        push(command.release());
}

void EditStack::undoStep()
{
    if (!canUndo())
        return;
    m_project.ensureUnlocked();
    undo();
}

void EditStack::redoStep()
{
    if (!canRedo())
        return;
    m_project.ensureUnlocked();
    redo();
}

} // namespace pleq
