#include "gui/commands/windowedits.h"

#include "gui/app/dialogs.h"
#include "session/projectcommand.h"

#include <QKeyEvent>
#include <QWidget>

namespace pleq {

bool runEdit(EditStack& edits, QWidget* parent, std::unique_ptr<ProjectCommand> command)
{
    bool ended = false;
    runCommand(parent, [&] {
        edits.edit(std::move(command));
        ended = true;
    });
    return ended;
}

void undoEdit(EditStack& edits, QWidget* parent)
{
    runCommand(parent, [&] { edits.undoStep(); });
}

void redoEdit(EditStack& edits, QWidget* parent)
{
    runCommand(parent, [&] { edits.redoStep(); });
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
