#pragma once

#include <functional>
#include <memory>

namespace pleq::cli {

// Ctrl+C (and SIGTERM on Linux, Ctrl+Break on Windows) stops the acquisition
// as "Прервать" does, so that the port is released with its settings restored:
// the handler only hands the call to the event loop. Platform code:
// interrupt_linux.cpp, interrupt_windows.cpp.
class InterruptWatch
{
public:
    explicit InterruptWatch(std::function<void()> onInterrupt);
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The CPU time of the whole process so far (every thread), in milliseconds.
double processCpuMilliseconds();

} // namespace pleq::cli
