#pragma once

#include "session/editstack.h"

#include <memory>

class QKeyEvent;
class QWidget;

namespace pleq {

class ProjectCommand;

// The windows' way into the session's edit stack: each edit, undo and redo
// at the command boundary (an error in the error box, see runCommand). What
// an edit changed before its error stays, as its step.
// False when an error ended the edit.
bool runEdit(EditStack& edits, QWidget* parent, std::unique_ptr<ProjectCommand> command);
// Refused, with the error, while the plate is locked.
void undoEdit(EditStack& edits, QWidget* parent);
void redoEdit(EditStack& edits, QWidget* parent);

// Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y in a line edit of the project (the
// executor, the plate name) go to the menu's undo and redo rather than to the
// line edit's own, which would change the text without the project.
void leaveUndoKeysToStack(QWidget* lineEdit);

// Whether a key is one of the undo and redo keys above.
bool isUndoKey(const QKeyEvent* key);
bool isRedoKey(const QKeyEvent* key);

} // namespace pleq
