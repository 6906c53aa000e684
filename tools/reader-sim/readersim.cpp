#include "tools/reader-sim/readersim.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

namespace pleq::sim {

namespace {

[[noreturn]] void failWith(const char* what)
{
    throw std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

void addNanoseconds(timespec& t, long ns)
{
    t.tv_nsec += ns;
    while (t.tv_nsec >= 1000000000L) {
        t.tv_nsec -= 1000000000L;
        ++t.tv_sec;
    }
}

} // namespace

std::string plateValue(int col, int row, unsigned seed)
{
    const unsigned thousandths =
        (unsigned(col) * 263u + unsigned(row) * 1019u + unsigned(col * row) * 31u + seed * 7919u) % 3900u + 50u;
    char text[8];
    std::snprintf(text, sizeof text, "%u.%03u", thousandths / 1000u, thousandths % 1000u);
    return text;
}

ReaderSimulator::ReaderSimulator(Options options)
    : m_options(options)
    , m_random(options.seed * 2654435761u + 1u)
{
    char name[256] = {};
    if (::openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        failWith("openpty");
    m_devicePath = name;
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
    ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    if (::pipe2(m_stopPipe, O_NONBLOCK | O_CLOEXEC) != 0) {
        ::close(m_master);
        ::close(m_slave);
        failWith("pipe");
    }
}

ReaderSimulator::~ReaderSimulator()
{
    stop();
    hangUp();
    ::close(m_stopPipe[0]);
    ::close(m_stopPipe[1]);
}

void ReaderSimulator::start()
{
    m_thread = std::thread([this] { run(); });
}

void ReaderSimulator::requestStop()
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(m_stopPipe[1], &byte, 1);
}

void ReaderSimulator::stop()
{
    requestStop();
    if (m_thread.joinable())
        m_thread.join();
}

void ReaderSimulator::hangUp()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void ReaderSimulator::run()
{
    if (m_options.paced) {
        // A UART keeps its pace whatever else the computer does. Where the
        // system allows it, the pacing thread gets a real-time priority so that
        // a busy machine does not open gaps between the bytes of a reply.
        sched_param param{};
        param.sched_priority = 1;
        ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
    }
    char buffer[512];
    while (m_master >= 0) {
        pollfd fds[2] = {{m_master, POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EAGAIN || errno == EINTR))
                continue;
            return;
        }
        {
            std::lock_guard lock(m_mutex);
            m_received.append(buffer, size_t(n));
        }
        for (ssize_t i = 0; i < n && m_master >= 0; ++i) {
            // A frame is the text, LF, CR: the CR after the LF is dropped.
            const char c = buffer[i];
            if (c == '\r')
                continue;
            if (c != '\n') {
                m_line += c;
                continue;
            }
            const std::string command = m_line;
            m_line.clear();
            {
                std::lock_guard lock(m_mutex);
                m_commands.push_back(command);
            }
            handle(command);
        }
    }
}

void ReaderSimulator::handle(const std::string& command)
{
    using Mode = Options::Mode;
    if (m_options.mode == Mode::Silent)
        return;
    if (m_options.mode == Mode::Garbage) {
        // Anything but a reply: never "OK", never a lone acknowledgement.
        std::string junk;
        m_random = m_random * 1103515245u + 12345u;
        const int length = 1 + int((m_random >> 16) % 40u);
        for (int i = 0; i < length; ++i) {
            m_random = m_random * 1103515245u + 12345u;
            char c = char((m_random >> 16) & 0xFF);
            if (c == 'O')
                c = 'Q';
            junk += c;
        }
        reply(junk);
        return;
    }

    if (command == "E") {
        m_nextColumn = 0;
        m_measured = false;
        reply("0\r\nOK\r\n");
    } else if (command.rfind("J ", 0) == 0) {
        const int columns = std::atoi(command.c_str() + 2);
        m_columns = columns >= 1 && columns <= 12 ? columns : 12;
        reply("OK\r\n");
    } else if (command == "Z") {
        m_measured = true;
        m_nextColumn = 0;
        reply("OK\r\n");
    } else if (command == "X 0" && m_measured && m_nextColumn < m_columns) {
        if (m_options.mode == Mode::HangUp && m_nextColumn >= m_options.hangUpAfterColumns) {
            hangUp();
            m_hungUp = true;
            return;
        }
        std::string data = columnReply(++m_nextColumn);
        if (m_options.mergeColumns && m_nextColumn < m_columns)
            data += columnReply(++m_nextColumn);
        reply(data);
    } else if (command == "X 0") {
        reply("OK\r\n");
    } else {
        reply("1\r\n"); // an unknown command: status 1
    }
}

// Status "0", CR LF, the column's densities each after a blank, CR LF; the
// last column followed by "OK" CR LF.
std::string ReaderSimulator::columnReply(int col) const
{
    std::string data = "0\r\n";
    for (int row = 1; row <= 8; ++row)
        data += " " + plateValue(col, row, m_options.seed);
    data += "\r\n";
    if (col == m_options.damageColumn)
        data.erase(6, 1); // "0", CR, LF, blank, "d", ".", then the first decimal
    if (col == m_columns)
        data += "OK\r\n";
    return data;
}

void ReaderSimulator::reply(const std::string& bytes)
{
    const std::int64_t delayUs = std::int64_t(m_options.turnaroundMs + m_options.replyDelayMs) * 1000;
    if (delayUs > 0) {
        m_delayUs += delayUs;
        if (!sleepFor(delayUs))
            return;
    }
    const size_t splitAt = size_t(std::max(m_options.splitAt, 0));
    if (splitAt > 0 && bytes.size() > splitAt) {
        send(bytes.data(), splitAt);
        if (!waitUntilTaken())
            return;
        send(bytes.data() + splitAt, bytes.size() - splitAt);
    } else {
        send(bytes.data(), bytes.size());
    }
}

void ReaderSimulator::send(const char* data, size_t size)
{
    const long characterNs = 10L * 1000000000L / m_options.baud; // start, 8 data, stop bits
    timespec next{};
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    size_t at = 0;
    while (at < size && m_master >= 0) {
        const size_t chunk = m_options.paced ? 1 : size - at;
        const ssize_t n = ::write(m_master, data + at, chunk);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN)
                return;
            pollfd out = {m_master, POLLOUT, 0};
            ::poll(&out, 1, 100);
            continue;
        }
        at += size_t(n);
        if (m_options.paced) {
            // Absolute deadlines: a late wake-up sends the next byte at once
            // instead of stretching the gap, as a UART keeps its pace.
            addNanoseconds(next, characterNs);
            m_delayUs += characterNs / 1000;
            while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) { }
        }
    }
}

bool ReaderSimulator::sleepFor(std::int64_t microseconds)
{
    pollfd stopFd = {m_stopPipe[0], POLLIN, 0};
    const int n = ::poll(&stopFd, 1, int((microseconds + 999) / 1000));
    return n == 0;
}

// Taken once the terminal, seen from the end held open here, has nothing
// left to read. Polling it first moves bytes still on their way from this end
// into its input queue, so that bytes just sent never look taken.
bool ReaderSimulator::waitUntilTaken()
{
    for (;;) {
        pollfd in = {m_slave, POLLIN, 0};
        if (m_slave < 0 || ::poll(&in, 1, 0) <= 0 || !(in.revents & POLLIN))
            return true;
        if (!sleepFor(1000))
            return false;
    }
}

std::string ReaderSimulator::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<std::string> ReaderSimulator::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

} // namespace pleq::sim
