#include "archive/queuesender.h"

#include "archive/archivesession.h"
#include "archive/location.h"
#include "archive/queue.h"
#include "core/model/errors.h"

namespace pleq {

QueueSender::QueueSender(ArchiveSession& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
{
    m_timer.setInterval(IntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &QueueSender::sendNow);
    m_timer.start();
    QTimer::singleShot(0, this, &QueueSender::sendNow);
}

QueueSender::~QueueSender() = default;

void QueueSender::sendNow()
{
    ArchiveLocation location;
    QString queue;
    try {
        location = archiveLocation();
        queue = archiveQueuePath();
    } catch (const Error&) {
        return; // no archive at the place set: the next archive command says so
    }
    if (location.kind != ArchiveLocation::Kind::Postgres || m_sending)
        return;
    m_sending = true;
    m_worker.run(
        this,
        [location, queue] {
            try {
                return queuedRunCount(queue) > 0 ? sendQueuedRuns(location, queue) : 0;
            } catch (const Error&) {
                return 0; // still unreachable: the runs wait for the next attempt
            }
        },
        [this](int sent) {
            m_sending = false;
            if (sent > 0)
                m_session.notifyArchived();
        },
        [this](const QString&) { m_sending = false; });
}

} // namespace pleq
