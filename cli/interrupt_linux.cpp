// Linux: the signal handler writes a byte to a pipe the event loop watches.

#include "cli/interrupt.h"

#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace pleq::cli {

namespace {

int g_interruptPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_interruptPipe[1], &byte, 1);
}

} // namespace

struct InterruptWatch::Impl {
    std::unique_ptr<QSocketNotifier> notifier;
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : d(std::make_unique<Impl>())
{
    if (::pipe2(g_interruptPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    d->notifier = std::make_unique<QSocketNotifier>(g_interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(d->notifier.get(), &QSocketNotifier::activated, std::move(onInterrupt));
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

InterruptWatch::~InterruptWatch()
{
    if (!d->notifier)
        return;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    d->notifier.reset();
    ::close(g_interruptPipe[0]);
    ::close(g_interruptPipe[1]);
    g_interruptPipe[0] = g_interruptPipe[1] = -1;
}

double processCpuMilliseconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
           + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace pleq::cli
