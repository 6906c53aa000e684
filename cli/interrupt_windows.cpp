// Windows: the console's control handler (a thread of its own) queues the
// call to the event loop.

#include "cli/interrupt.h"

#include <QCoreApplication>
#include <QMetaObject>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace pleq::cli {

namespace {

std::function<void()>* g_onInterrupt = nullptr;

BOOL WINAPI onControl(DWORD type)
{
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT)
        return FALSE;
    if (g_onInterrupt && QCoreApplication::instance())
        QMetaObject::invokeMethod(QCoreApplication::instance(), *g_onInterrupt, Qt::QueuedConnection);
    return TRUE;
}

} // namespace

struct InterruptWatch::Impl {
    std::function<void()> onInterrupt;
};

InterruptWatch::InterruptWatch(std::function<void()> onInterrupt)
    : d(std::make_unique<Impl>())
{
    d->onInterrupt = std::move(onInterrupt);
    g_onInterrupt = &d->onInterrupt;
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

InterruptWatch::~InterruptWatch()
{
    ::SetConsoleCtrlHandler(onControl, FALSE);
    g_onInterrupt = nullptr;
}

double processCpuMilliseconds()
{
    FILETIME created, exited, kernel, user;
    if (!::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user))
        return 0;
    const auto ms = [](const FILETIME& t) {
        return double((quint64(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; // 100 ns units
    };
    return ms(kernel) + ms(user);
}

} // namespace pleq::cli
