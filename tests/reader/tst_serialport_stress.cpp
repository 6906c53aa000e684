// Ports created, flooded and destroyed a thousand times, some from inside
// their own receive handler, some while a hand-over waits. While a port lives
// no byte may be lost, doubled or reordered; after it is gone no handler may
// run. Built for ThreadSanitizer: the hand-over goes through the stand-in
// queue below, since Qt's own event queue is not instrumented here.

#include "ptypair.h"
#include "core/reader/serialport.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <termios.h>

using namespace pleq;

namespace {

// The owner thread's event queue: calls posted from any thread, run by main().
class CallQueue
{
public:
    void post(std::function<void()> call)
    {
        {
            std::lock_guard lock(m_mutex);
            m_calls.push_back(std::move(call));
        }
        m_posted.notify_one();
    }

    // Runs one call, waiting up to 20 ms for one; false if none came.
    bool runOne()
    {
        std::function<void()> call;
        {
            std::unique_lock lock(m_mutex);
            if (!m_posted.wait_for(lock, std::chrono::milliseconds(20), [this] { return !m_calls.empty(); }))
                return false;
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call();
        return true;
    }

    bool empty()
    {
        std::lock_guard lock(m_mutex);
        return m_calls.empty();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<std::function<void()>> m_calls;
};

int g_failures = 0;

void failure(int round, const char* what)
{
    if (++g_failures <= 20)
        std::fprintf(stderr, "round %d: %s\n", round, what);
}

// Writes 0, 1, 2, ... 255, 0, ... into the line until stopped.
void flood(int master, const std::atomic<bool>& stop)
{
    unsigned char next = 0;
    unsigned char buffer[64];
    while (!stop.load()) {
        for (unsigned char& b : buffer)
            b = next++;
        size_t at = 0;
        while (at < sizeof buffer && !stop.load()) {
            const ssize_t n = ::write(master, buffer + at, sizeof buffer - at);
            if (n > 0) {
                at += size_t(n);
            } else {
                pollfd out = {master, POLLOUT, 0};
                ::poll(&out, 1, 5);
            }
        }
        next = static_cast<unsigned char>(next - (sizeof buffer - at)); // unsent bytes are sent next
    }
}

enum class Ending { FromHandler, WhileHandOverWaits, FromOwner };

void round(int number, CallQueue& queue)
{
    const Ending ending = Ending(number % 3);
    PtyPair pty;
    termios raw{};
    ::tcgetattr(pty.slave, &raw);
    ::cfmakeraw(&raw); // so the flood may start before the port is open
    ::tcsetattr(pty.slave, TCSANOW, &raw);

    std::atomic<bool> stopFlood{false};
    std::thread writer(flood, pty.master, std::cref(stopFlood));

    std::unique_ptr<SerialPort> port;
    try {
        port = std::make_unique<SerialPort>(pty.path, QStringLiteral("COM1"), 9600,
                                            [&queue](std::function<void()> call) { queue.post(std::move(call)); });
    } catch (const PortError&) {
        failure(number, "the port did not open");
        stopFlood = true;
        writer.join();
        return;
    }

    bool alive = true;
    bool started = false;
    unsigned char last = 0;
    long received = 0;
    const long enough = 512 + 97 * (number % 7);
    port->setOnReceive([&](ReadThread*, const QByteArray& bytes) {
        if (!alive) {
            failure(number, "a handler ran after the port was destroyed");
            return;
        }
        for (const char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            if (started && b != static_cast<unsigned char>(last + 1)) {
                failure(number, "a byte was lost, doubled or reordered");
                started = false;
            }
            last = b;
            started = true;
        }
        received += bytes.size();
        if (ending == Ending::FromHandler && received >= enough) {
            alive = false;
            port.reset();
        }
    });

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (port && received < enough && std::chrono::steady_clock::now() < deadline)
        queue.runOne();
    if (port && ending == Ending::WhileHandOverWaits) {
        // Wait until a hand-over is posted, then destroy without running it.
        while (queue.empty() && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    if (received < enough)
        failure(number, "too few bytes arrived");
    alive = false;
    port.reset();

    stopFlood = true;
    writer.join();
    // Stale hand-overs still queued must find the port gone and do nothing.
    while (!queue.empty())
        queue.runOne();
}

} // namespace

int main()
{
    CallQueue queue;
    const int rounds = 1000;
    for (int i = 0; i < rounds; ++i)
        round(i, queue);
    std::printf("%d rounds, %d failures\n", rounds, g_failures);
    return g_failures == 0 ? 0 : 1;
}
