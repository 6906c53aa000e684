#include "core/tasks/worker.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <new>
#include <thread>

namespace pleq {

// What the worker's thread shares with its object; it outlives an abandoned
// object until the thread ends.
struct Worker::State {
    struct Outcome {
        Tell tell;
        bool outOfMemory = false;
    };

    std::mutex mutex;
    std::condition_variable given;
    std::deque<Task> tasks;       // guarded by mutex
    std::deque<Outcome> outcomes; // guarded by mutex
    bool stopping = false;        // guarded by mutex
    Worker* owner = nullptr;      // guarded by mutex; none once abandoned
    std::thread thread;

    void runTasks();
};

void Worker::State::runTasks()
{
    for (;;) {
        Task task;
        {
            std::unique_lock lock(mutex);
            given.wait(lock, [this] { return stopping || !tasks.empty(); });
            if (tasks.empty())
                return; // stopping, and every task given has run
            task = std::move(tasks.front());
            tasks.pop_front();
        }
        Outcome outcome;
        try {
            outcome.tell = task();
        } catch (const std::bad_alloc&) {
            outcome.outOfMemory = true;
        }
        task = nullptr; // what it captured goes on this thread
        std::lock_guard lock(mutex);
        if (!owner)
            continue; // abandoned: nobody to tell; the outcome goes here too
        outcomes.push_back(std::move(outcome));
        Q_EMIT owner->outcomeReady(QPrivateSignal());
    }
}

Worker::Worker(AtEnd atEnd, QObject* parent)
    : QObject(parent)
    , m_state(std::make_shared<State>())
    , m_atEnd(atEnd)
{
    connect(this, &Worker::outcomeReady, this, &Worker::tell, Qt::QueuedConnection);
    m_state->owner = this;
    m_state->thread = std::thread([state = m_state] { state->runTasks(); });
}

Worker::~Worker()
{
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
        if (m_atEnd == AtEnd::Abandon)
            m_state->owner = nullptr;
    }
    m_state->given.notify_one();
    if (m_atEnd == AtEnd::Finish)
        m_state->thread.join();
    else
        m_state->thread.detach();
}

void Worker::post(Task task)
{
    ++m_pending;
    {
        std::lock_guard lock(m_state->mutex);
        m_state->tasks.push_back(std::move(task));
    }
    m_state->given.notify_one();
}

void Worker::tell()
{
    // A box shown by one outcome runs an event loop of its own: the outcomes
    // that come meanwhile are told after it, by the loop below.
    if (m_telling)
        return;
    m_telling = true;
    for (;;) {
        State::Outcome outcome;
        {
            std::lock_guard lock(m_state->mutex);
            if (m_state->outcomes.empty())
                break;
            outcome = std::move(m_state->outcomes.front());
            m_state->outcomes.pop_front();
        }
        --m_pending;
        if (outcome.outOfMemory)
            Q_EMIT taskFailed(QStringLiteral("Out of memory"));
        else if (outcome.tell)
            outcome.tell();
    }
    m_telling = false;
    if (m_pending == 0)
        Q_EMIT idle();
}

} // namespace pleq
