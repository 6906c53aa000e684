#pragma once

#include <QUndoStack>

#include <memory>

class QKeyEvent;
class QWidget;

namespace pleq {

class Project;
class ProjectCommand;

// The windows' one undo stack. Every edit of the project comes through
// edit(); undo and redo step through the edits, any number of them. While the
// reader fills the plate nothing is undone or redone, and the edits before
// the read are forgotten: the densities it brings are no step, and undoing
// an earlier one would write over them.
class EditStack : public QUndoStack
{
    Q_OBJECT
public:
    explicit EditStack(Project& project, QObject* parent = nullptr);

    Project& project() const { return m_project; }

    // Runs the edit at the command boundary (an error in the error box, see
    // runCommand) and keeps it as the last step when it changed the project.
    // False when an error ended it.
    bool edit(QWidget* parent, std::unique_ptr<ProjectCommand> command);
    // Undo and redo as commands: refused, with the error, while the plate is locked.
    void undoStep(QWidget* parent);
    void redoStep(QWidget* parent);

private:
    Project& m_project;
};

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in a line edit of the project (the
// executor, the plate name) go to the menu's undo and redo rather than to the
// line edit's own, which would change the text without the project.
void leaveUndoKeysToStack(QWidget* lineEdit);

// Whether a key is one of the undo and redo keys above.
bool isUndoKey(const QKeyEvent* key);
bool isRedoKey(const QKeyEvent* key);

} // namespace pleq
