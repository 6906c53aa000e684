#pragma once

#include "core/tasks/worker.h"

#include <QObject>
#include <QTimer>

namespace pleq {

class ArchiveSession;

// Sends the runs that wait in the local queue to the archive's server at start
// and every few minutes, on a worker thread with a connection of its own, so
// that a server that does not answer never holds up the window. A run sent
// tells the session, so the journal and the charts refresh.
class QueueSender : public QObject
{
    Q_OBJECT
public:
    explicit QueueSender(ArchiveSession& session, QObject* parent = nullptr);
    ~QueueSender() override;

    // One attempt now, unless one is under way or nothing waits.
    void sendNow();

    static constexpr int IntervalMs = 5 * 60 * 1000;

private:
    ArchiveSession& m_session;
    QTimer m_timer;
    bool m_sending = false;
    // Last, so that it ends first: a send under way ends before the sender.
    Worker m_worker{Worker::AtEnd::Finish};
};

} // namespace pleq
