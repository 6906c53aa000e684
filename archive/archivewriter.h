#pragma once

#include <QObject>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace pleq {

// Runs the archive's writes on a thread of its own, one after another in the
// order given, so that a server that does not answer never holds up the
// window. A write makes its archive (its connection) on that thread and
// returns what to tell the user; that runs on the window's thread (the
// writer object's) once the write ends, in the same order. The hand-over
// goes through a standard mutex, which ThreadSanitizer sees, and carries no
// data through Qt's event queue.
class ArchiveWriter : public QObject
{
    Q_OBJECT
public:
    using Tell = std::function<void()>;
    using Write = std::function<Tell()>;

    explicit ArchiveWriter(QObject* parent = nullptr);
    // Waits for the writes given: nothing given is lost; what they would
    // tell is not told.
    ~ArchiveWriter() override;

    // `write` must capture copies only: it runs on the writer's thread, and
    // tells its own errors (out of memory is told in the error box).
    void write(Write write);
    // Writes given whose outcome has not been told yet.
    int pending() const { return m_pending; }

Q_SIGNALS:
    // The last write given was told: none pending.
    void idle();
    // From the writer's thread: an outcome waits to be told.
    void outcomeReady(QPrivateSignal);

private:
    void run();
    void tell();

    std::mutex m_mutex;
    std::condition_variable m_given;
    std::deque<Write> m_writes;  // guarded by m_mutex
    std::deque<Tell> m_outcomes; // guarded by m_mutex
    bool m_stopping = false;     // guarded by m_mutex
    int m_pending = 0;           // the window's thread only
    bool m_telling = false;
    std::thread m_thread;
};

} // namespace pleq
