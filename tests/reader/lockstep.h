#pragma once

#include "core/reader/acquisition.h"
#include "core/reader/serialport.h"
#include "tools/reader-sim/readersim.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

// Drives an acquisition against a simulated reader through the pause hook,
// so that what a test checks does not depend on how busy the machine is.
// With `inStep` (a reader that answers every command) the port hands its
// chunks over through a queue of the test's, and a pause that follows a
// command ends only once a chunk of the reader's answer has been handed over:
// the port holds it when the pause ends, as it holds a reply that comes in
// time. The pauses last as long as `length` makes them (at least 2 ms, so
// that what a test runs inside a pause comes first).
class Lockstep
{
public:
    using Length = std::function<int(int milliseconds)>;
    // Given the pause's protocol milliseconds, its interval and its index in
    // the acquisition (from 0).
    using InPause = std::function<void(int ms, int interval, int index)>;

    Lockstep(pleq::ReaderLink& link, const pleq::sim::ReaderSimulator& reader, Length length, bool inStep)
        : m_reader(reader)
        , m_length(std::move(length))
        , m_inStep(inStep)
    {
        link.setPauseInterval([this](int ms) { return pause(ms); });
        QObject::connect(&link, &pleq::ReaderLink::finished, &m_context, [this] {
            m_previous = 0;
            m_pauses = 0;
        });
    }

    // The hand-over for the port that the test's opener makes.
    pleq::HandOverPoster poster() const
    {
        return [queue = m_queue](std::function<void()> call) {
            {
                std::lock_guard lock(queue->mutex);
                queue->calls.push_back(std::move(call));
            }
            queue->posted.notify_all();
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [queue] { queue->run(); }, Qt::QueuedConnection);
        };
    }

    // Runs inside every pause, from the event loop, before the pause ends.
    // A timer started there for `interval` comes after the pause's end.
    void inPause(InPause action) { m_inPause = std::move(action); }
    // The pauses the running (or last) acquisition began.
    int pausesBegun() const { return m_pauses; }

private:
    struct Queue {
        std::mutex mutex;
        std::condition_variable posted;
        std::deque<std::function<void()>> calls;
        int ran = 0; // owner thread only

        // Owner thread: the deliveries posted so far, in order.
        void run()
        {
            for (;;) {
                std::function<void()> call;
                {
                    std::lock_guard lock(mutex);
                    if (calls.empty())
                        return;
                    call = std::move(calls.front());
                    calls.pop_front();
                }
                ++ran;
                call();
            }
        }
    };

    int pause(int ms)
    {
        // The reader protocol's pauses after a command: "E" (the first 200),
        // "J 12", "Z" and every "X 0" (300). The second 200 and the long one
        // follow a reply.
        const bool afterCommand = ms == 300 || (ms == 200 && m_previous != 200);
        m_previous = ms;
        const int index = m_pauses++;
        const int interval = std::max(m_length(ms), 2);
        if (m_inPause)
            QTimer::singleShot(1, Qt::PreciseTimer, &m_context,
                               [this, ms, interval, index] { m_inPause(ms, interval, index); });
        if (m_inStep && afterCommand) {
            // Due before the pause itself, which starts after this returns.
            QTimer::singleShot(interval, Qt::PreciseTimer, &m_context,
                               [this, ranBefore = m_queue->ran] { awaitAnswer(ranBefore); });
        }
        return interval;
    }

    // The answer's first chunk handed over (the port holds it in the pause).
    // A reader that hung up sends none; a minute without one is a hang, and
    // the test fails on what it finds.
    void awaitAnswer(int ranBefore)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
        {
            std::unique_lock lock(m_queue->mutex);
            while (m_queue->ran == ranBefore && m_queue->calls.empty() && !m_reader.hungUp()
                   && std::chrono::steady_clock::now() < deadline)
                m_queue->posted.wait_for(lock, std::chrono::milliseconds(10));
        }
        m_queue->run();
    }

    const pleq::sim::ReaderSimulator& m_reader;
    Length m_length;
    bool m_inStep;
    std::shared_ptr<Queue> m_queue = std::make_shared<Queue>();
    InPause m_inPause;
    int m_previous = 0;
    int m_pauses = 0;
    QObject m_context; // ends the timers with the lockstep
};
