#pragma once

#include <QUndoStack>

#include <memory>

namespace pleq {

class Project;
class ProjectCommand;

// The session's one undo stack. Every edit of the project comes through
// edit(); undo and redo step through the edits, any number of them. While the
// reader fills the plate nothing is undone or redone, and the edits before
// the read are forgotten: the densities it brings are no step, and undoing
// an earlier one would write over them. The windows call it through the
// command boundary of gui/commands/windowedits.h, which shows a refusal.
class EditStack : public QUndoStack
{
    Q_OBJECT
public:
    explicit EditStack(Project& project, QObject* parent = nullptr);

    Project& project() const { return m_project; }

    // Runs the edit and keeps it as the last step when it changed the
    // project, also when an Error ended it part way; the Error passes on.
    void edit(std::unique_ptr<ProjectCommand> command);
    // Undo and redo of one step; Error while the plate is locked.
    void undoStep();
    void redoStep();

private:
    Project& m_project;
};

} // namespace pleq
