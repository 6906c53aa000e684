#include "gui/archive/queuesender.h"

#include "archive/location.h"
#include "archive/queue.h"
#include "core/model/errors.h"
#include "gui/archive/archivesession.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

namespace pleq {

QueueSender::QueueSender(ArchiveSession& session, QObject* parent)
    : QObject(parent)
    , m_session(session)
    , m_running(std::make_shared<std::atomic_bool>(false))
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
    if (location.kind != ArchiveLocation::Kind::Postgres || m_running->exchange(true))
        return;
    QPointer<QueueSender> self(this);
    auto running = m_running;
    QThreadPool::globalInstance()->start([self, running, location, queue] {
        int sent = 0;
        try {
            if (queuedRunCount(queue) > 0)
                sent = sendQueuedRuns(location, queue);
        } catch (const Error&) {
            // Still unreachable: the runs wait for the next attempt.
        }
        *running = false;
        if (sent > 0)
            QMetaObject::invokeMethod(
                qApp,
                [self] {
                    if (self)
                        self->m_session.notifyArchived();
                },
                Qt::QueuedConnection);
    });
}

} // namespace pleq
