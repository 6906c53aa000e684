#include "session/projectcommand.h"

namespace pleq {

ProjectCommand::ProjectCommand(Project& project, const QString& text)
    : QUndoCommand(text)
    , m_project(project)
{
}

void ProjectCommand::run()
{
    m_ran = true;
    capture(Moment::Before);
    try {
        edit();
    } catch (...) {
        capture(Moment::After);
        throw;
    }
    capture(Moment::After);
}

void ProjectCommand::redo()
{
    if (m_ran) {
        m_ran = false;
        return;
    }
    restore(Moment::After);
}

} // namespace pleq
