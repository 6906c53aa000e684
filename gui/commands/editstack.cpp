#include "gui/commands/editstack.h"

#include "core/model/project.h"
#include "gui/app/dialogs.h"
#include "gui/commands/projectcommand.h"

#include <QKeyEvent>
#include <QWidget>

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

bool EditStack::edit(QWidget* parent, std::unique_ptr<ProjectCommand> command)
{
    bool ended = false;
    runCommand(parent, [&] {
        command->run();
        ended = true;
    });
    if (command->changed())
        push(command.release());
    return ended;
}

void EditStack::undoStep(QWidget* parent)
{
    if (!canUndo())
        return;
    runCommand(parent, [this] {
        m_project.ensureUnlocked();
        undo();
    });
}

void EditStack::redoStep(QWidget* parent)
{
    if (!canRedo())
        return;
    runCommand(parent, [this] {
        m_project.ensureUnlocked();
        redo();
    });
}

bool isUndoKey(const QKeyEvent* key)
{
    return key->matches(QKeySequence::Undo);
}

bool isRedoKey(const QKeyEvent* key)
{
    const QKeyCombination combination = key->keyCombination();
    return key->matches(QKeySequence::Redo) || combination == QKeyCombination(Qt::CTRL | Qt::SHIFT, Qt::Key_Z)
           || combination == QKeyCombination(Qt::CTRL, Qt::Key_Y);
}

namespace {

class UndoKeyFilter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // The override ignored lets the menu's shortcut fire; the key itself,
        // when no enabled shortcut took it, is not the line edit's either.
        if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (isUndoKey(key) || isRedoKey(key)) {
                event->ignore();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void leaveUndoKeysToStack(QWidget* lineEdit)
{
    lineEdit->installEventFilter(new UndoKeyFilter(lineEdit));
}

} // namespace pleq
