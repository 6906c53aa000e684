#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace pleq {

class Archive;
class ArchiveWriter;

// The application's one archive: opened at its place (archiveLocation()) on
// first use, so that a missing or broken archive costs nothing until a
// command needs it, and reopened after a failed open or a change of place.
class ArchiveSession : public QObject
{
    Q_OBJECT
public:
    explicit ArchiveSession(QObject* parent = nullptr);
    ~ArchiveSession() override;

    // The archive at its place, not yet connected: its writes connect first.
    // Throws Error when the place set is no archive's.
    Archive& archive();
    // The same, connected and its schema up to date. Throws Error naming the
    // archive and the reason; the next call tries again.
    Archive& openArchive();
    // What messages call the archive in use, or the one the next use opens.
    QString displayName() const;
    // Forgets the open archive (its windows close first): the next use opens
    // the place the setting or PLEQ_ARCHIVE names now.
    void relocate();

    // "Протокол" and "В архив" write off the window's thread: `write` runs
    // on the writer's thread with the archive at the place in use now (made
    // there, with a connection of that thread, on the first call of its
    // argument, which throws the Error of a place that names no archive) and
    // returns what to tell the user, which runs here once it ends. `write`
    // must capture copies only.
    using Write = std::function<std::function<void()>(const std::function<Archive&()>& archive)>;
    void write(Write write);
    // The writer: how many writes wait to be told, and when none does.
    ArchiveWriter& writer() const { return *m_writer; }

    // A run stored by this workstation, for the windows that list runs.
    void notifyArchived() { Q_EMIT runArchived(); }

Q_SIGNALS:
    void runArchived();
    void aboutToRelocate();

private:
    std::unique_ptr<Archive> m_archive;
    ArchiveWriter* m_writer;
};

} // namespace pleq
