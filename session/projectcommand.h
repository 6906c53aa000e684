#pragma once

#include <QString>
#include <QUndoCommand>

namespace pleq {

class Project;

// An edit of the project as a step of the undo stack. It runs once through
// its core operation; undo and redo then put back the part of the project it
// changed as that part stood before and after, through core operations too,
// so that the plate lock refuses them as it refuses the edit.
class ProjectCommand : public QUndoCommand
{
public:
    // Runs the edit. Throws Error as its operation does; what the operation
    // changed before the error still counts as the edit's change.
    void run();
    // Whether the run changed the part of the project it edits.
    virtual bool changed() const = 0;

    void undo() override { restore(Moment::Before); }
    // The first redo comes with the push, after the run: it does nothing.
    void redo() override;

protected:
    enum class Moment { Before, After };

    ProjectCommand(Project& project, const QString& text);
    Project& project() const { return m_project; }

    virtual void edit() = 0; // the core operation
    virtual void capture(Moment moment) = 0;
    virtual void restore(Moment moment) = 0;

private:
    Project& m_project;
    bool m_ran = false;
};

// A command over one part of the project, kept as a value before and after.
template<typename Part> class PartCommand : public ProjectCommand
{
public:
    bool changed() const override { return m_before != m_after; }

protected:
    using ProjectCommand::ProjectCommand;

    virtual Part read() const = 0;            // the part as it stands
    virtual void write(const Part& part) = 0; // through a core operation

    void capture(Moment moment) override { (moment == Moment::Before ? m_before : m_after) = read(); }
    void restore(Moment moment) override { write(moment == Moment::Before ? m_before : m_after); }

    // Typing goes on: the step keeps its start and takes the other's end;
    // one that ends where it began is dropped from the stack.
    bool mergeAfter(const QUndoCommand* other)
    {
        if (other->id() != id())
            return false;
        m_after = static_cast<const PartCommand*>(other)->m_after;
        setObsolete(m_before == m_after);
        return true;
    }

private:
    Part m_before{};
    Part m_after{};
};

} // namespace pleq
