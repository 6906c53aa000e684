#pragma once

#include "core/model/errors.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <type_traits>
#include <utility>

namespace pleq {

// A thread of its own that runs tasks one after another, in the order given,
// so that a disk or a server that does not answer never holds up the thread
// of this object (the window's). What a task returns runs on this object's
// thread once the task ends, in the same order; the worker's signal
// `outcomeReady` brings it there. Tasks and outcomes cross between the
// threads under a standard mutex, which ThreadSanitizer sees; Qt's event
// queue carries no data. A task that keeps a database connection keeps it on
// this one thread, as Qt SQL requires.
class Worker : public QObject
{
    Q_OBJECT
public:
    using Tell = std::function<void()>;
    using Task = std::function<Tell()>;

    // What the destructor does with the tasks given and not yet run.
    enum class AtEnd {
        Finish,  // waits for them all: nothing given is lost (the archive's writes)
        Abandon, // returns at once; they run on, and what they would tell is dropped (a window closed mid-read)
    };

    explicit Worker(AtEnd atEnd, QObject* parent = nullptr);
    ~Worker() override;
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // `task` runs on the worker's thread and must capture copies only (or
    // what only that thread touches); what it returns runs here. Running out
    // of memory in a task is told by taskFailed.
    void post(Task task);

    // `work()` on the worker's thread; then here, unless `receiver` is gone
    // by then, `done(result)` (`done()` for work returning nothing), or
    // `failed(message)` when work threw an Error.
    template<class Work, class Done, class Failed>
    void run(const QObject* receiver, Work work, Done done, Failed failed);

    // Tasks given whose outcome has not been told yet.
    int pending() const { return m_pending; }

Q_SIGNALS:
    // The last task given was told: none pending.
    void idle();
    // A task ran out of memory: the message to show.
    void taskFailed(const QString& message);
    // From the worker's thread: an outcome waits to be told.
    void outcomeReady(QPrivateSignal);

private:
    struct State;
    void tell();

    std::shared_ptr<State> m_state;
    AtEnd m_atEnd;
    int m_pending = 0; // this object's thread only
    bool m_telling = false;
};

template<class Work, class Done, class Failed>
void Worker::run(const QObject* receiver, Work work, Done done, Failed failed)
{
    post([guard = QPointer<const QObject>(receiver), work = std::move(work), done = std::move(done),
          failed = std::move(failed)]() mutable -> Tell {
        using Result = std::invoke_result_t<Work&>;
        try {
            if constexpr (std::is_void_v<Result>) {
                work();
                return [guard, done] {
                    if (guard)
                        done();
                };
            } else {
                auto result = std::make_shared<Result>(work());
                return [guard, done, result] {
                    if (guard)
                        done(std::move(*result));
                };
            }
        } catch (const Error& e) {
            return [guard, failed, message = e.message()] {
                if (guard)
                    failed(message);
            };
        }
    });
}

} // namespace pleq
