#include "gui/archive/archivewriter.h"

#include "gui/app/dialogs.h"

#include <new>

namespace pleq {

ArchiveWriter::ArchiveWriter(QObject* parent)
    : QObject(parent)
{
    connect(this, &ArchiveWriter::outcomeReady, this, &ArchiveWriter::tell, Qt::QueuedConnection);
    m_thread = std::thread([this] { run(); });
}

ArchiveWriter::~ArchiveWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_given.notify_one();
    m_thread.join();
}

void ArchiveWriter::write(Write write)
{
    ++m_pending;
    {
        std::lock_guard lock(m_mutex);
        m_writes.push_back(std::move(write));
    }
    m_given.notify_one();
}

void ArchiveWriter::run()
{
    for (;;) {
        Write write;
        {
            std::unique_lock lock(m_mutex);
            m_given.wait(lock, [this] { return m_stopping || !m_writes.empty(); });
            if (m_writes.empty())
                return; // stopping, and every write given is done
            write = std::move(m_writes.front());
            m_writes.pop_front();
        }
        Tell told;
        try {
            told = write();
        } catch (const std::bad_alloc&) {
            told = [] { Dialogs::get().error(nullptr, QStringLiteral("Out of memory")); };
        }
        {
            std::lock_guard lock(m_mutex);
            m_outcomes.push_back(std::move(told));
        }
        Q_EMIT outcomeReady(QPrivateSignal());
    }
}

void ArchiveWriter::tell()
{
    // A box shown by one outcome runs an event loop of its own: the outcomes
    // that come meanwhile are told after it, by the loop below.
    if (m_telling)
        return;
    m_telling = true;
    for (;;) {
        Tell told;
        {
            std::lock_guard lock(m_mutex);
            if (m_outcomes.empty())
                break;
            told = std::move(m_outcomes.front());
            m_outcomes.pop_front();
        }
        --m_pending;
        if (told)
            told();
    }
    m_telling = false;
    if (m_pending == 0)
        Q_EMIT idle();
}

} // namespace pleq
