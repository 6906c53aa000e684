// The serial line on Linux: POSIX termios, an exclusive hold on the device,
// poll() for the read thread's sleep and an eventfd to wake it.

#include "core/reader/serialline.h"

#include "core/reader/serialport.h"
#include "core/reader/portnames.h"

#include <QDir>
#include <QFile>

#include <mutex>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace pleq {

namespace {

speed_t speedOf(int baud)
{
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0; // not a rate the line can take
    }
}

} // namespace

struct SerialLine::Impl {
    QString name;
    int fd = -1;
    int wakeFd = -1;
    bool exclusive = false;
    bool locked = false;
    bool settingsSaved = false;
    termios saved{};
    timespec quiet{}; // about three character times at the line's rate

    std::mutex writeMutex;
    QByteArray pending; // bytes the line could not take at once; sent first
    bool writeFailed = false;

    [[noreturn]] void fail(const QString& message) { throw PortError(message); }

    void release()
    {
        if (fd >= 0) {
            // Unsent bytes are dropped rather than waited for: a stalled line
            // must not hang the close.
            ::tcflush(fd, TCIOFLUSH);
            if (settingsSaved)
                ::tcsetattr(fd, TCSANOW, &saved);
            if (exclusive)
                ::ioctl(fd, TIOCNXCL);
            if (locked)
                ::flock(fd, LOCK_UN);
            ::close(fd);
            fd = -1;
        }
        if (wakeFd >= 0) {
            ::close(wakeFd);
            wakeFd = -1;
        }
    }

    // Writes what the line takes now; the rest stays pending. Caller holds writeMutex.
    bool flushPending()
    {
        while (!pending.isEmpty()) {
            const ssize_t n = ::write(fd, pending.constData(), size_t(pending.size()));
            if (n > 0) {
                pending.remove(0, qsizetype(n));
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return true;
            } else {
                return false;
            }
        }
        return true;
    }
};

SerialLine::SerialLine(const QString& device, const QString& portName, int baud)
    : d(std::make_unique<Impl>())
{
    d->name = portName;
    try {
        // Existing device only, no controlling terminal, never blocking on the
        // carrier line; the read thread sleeps in poll() instead.
        d->fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (d->fd < 0 || !::isatty(d->fd))
            d->fail(QStringLiteral("Error opening port ") + portName);
        // Exclusive: TIOCEXCL turns away other opens (except root's); the
        // advisory lock also turns away root and this process's own second open.
        if (::ioctl(d->fd, TIOCEXCL) != 0)
            d->fail(QStringLiteral("Error opening port ") + portName);
        d->exclusive = true;
        if (::flock(d->fd, LOCK_EX | LOCK_NB) != 0)
            d->fail(QStringLiteral("Error opening port ") + portName);
        d->locked = true;

        const QString stateError = QStringLiteral("Error setting port ") + portName + QStringLiteral(" state");
        if (::tcgetattr(d->fd, &d->saved) != 0)
            d->fail(stateError);
        d->settingsSaved = true;
        termios raw = d->saved;
        // Raw and binary-safe: no line editing, echo, signals, CR/LF
        // translation, XON/XOFF or output processing. 8N1, receiver on,
        // modem lines ignored; hardware flow control stays as it was.
        raw.c_iflag &= ~tcflag_t(IGNBRK | BRKINT | IGNPAR | PARMRK | INPCK | ISTRIP | INLCR | IGNCR | ICRNL | IXON
                                 | IXOFF | IXANY | IUCLC | IMAXBEL | IUTF8);
        raw.c_oflag &= ~tcflag_t(OPOST);
        raw.c_lflag &=
            ~tcflag_t(ECHO | ECHOE | ECHOK | ECHONL | ECHOCTL | ECHOKE | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
        raw.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CSTOPB | HUPCL);
        raw.c_cflag |= CS8 | CREAD | CLOCAL;
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        const speed_t speed = speedOf(baud);
        if (speed == B0 || ::cfsetispeed(&raw, speed) != 0 || ::cfsetospeed(&raw, speed) != 0
            || ::tcsetattr(d->fd, TCSANOW, &raw) != 0)
            d->fail(stateError);

        if (::tcflush(d->fd, TCIOFLUSH) != 0)
            d->fail(QStringLiteral("Error purging port ") + portName);

        // Quiet means three character times (10 bits each: start, 8 data,
        // stop), but never less than 20 ms: a 16550 hands its bytes to the tty
        // in bursts of 8 (about 8 ms apart at 9600 baud) and a USB adapter
        // every 16 ms, and a reply split at such a gap would lose the first
        // byte of its second chunk, a digit of a density.
        const long quietNs = std::max(3L * 10L * 1000000000L / baud, 20L * 1000000L);
        d->quiet = {quietNs / 1000000000L, quietNs % 1000000000L};

        d->wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (d->wakeFd < 0)
            d->fail(QStringLiteral("Error creating read event"));
    } catch (...) {
        d->release();
        throw;
    }
}

SerialLine::~SerialLine()
{
    d->release();
}

void SerialLine::write(const QByteArray& bytes)
{
    std::lock_guard lock(d->writeMutex);
    if (d->writeFailed)
        throw PortError(QStringLiteral("Error writing port ") + d->name);
    const bool wasIdle = d->pending.isEmpty();
    d->pending += bytes;
    if (!d->flushPending()) {
        d->writeFailed = true;
        d->pending.clear();
        throw PortError(QStringLiteral("Error writing port ") + d->name);
    }
    // The line is full: the read thread sends the rest when it takes more.
    if (wasIdle && !d->pending.isEmpty())
        wake();
}

bool SerialLine::waitForBytes()
{
    for (;;) {
        bool wantOut;
        {
            std::lock_guard lock(d->writeMutex);
            wantOut = !d->pending.isEmpty();
        }
        pollfd fds[2] = {{d->fd, short(POLLIN | (wantOut ? POLLOUT : 0)), 0}, {d->wakeFd, POLLIN, 0}};
        const int n = ::poll(fds, 2, -1);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw PortError(QStringLiteral("Error waiting port ") + d->name + QStringLiteral(" event"));
        }
        if (fds[1].revents & POLLIN) {
            eventfd_t value;
            ::eventfd_read(d->wakeFd, &value);
            return false;
        }
        if (fds[0].revents & POLLOUT) {
            std::lock_guard lock(d->writeMutex);
            if (!d->flushPending()) {
                d->writeFailed = true;
                d->pending.clear();
            }
        }
        if (fds[0].revents & POLLIN)
            return true;
        // Hung up or failed with nothing left to read: the line is gone.
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL))
            throw PortError(QStringLiteral("Error waiting port ") + d->name + QStringLiteral(" event"));
    }
}

bool SerialLine::gather(int limit)
{
    int last = queued();
    while (last < limit) {
        pollfd wakeUp = {d->wakeFd, POLLIN, 0};
        const int n = ::ppoll(&wakeUp, 1, &d->quiet, nullptr);
        if (n > 0) {
            eventfd_t value;
            ::eventfd_read(d->wakeFd, &value);
            return false;
        }
        const int now = queued();
        if (now == last)
            break; // quiet for three character times
        last = now;
    }
    return true;
}

int SerialLine::queued()
{
    int count = 0;
    if (::ioctl(d->fd, FIONREAD, &count) != 0 || count < 0)
        throw PortError(QStringLiteral("Error clearing port ") + d->name);
    return count;
}

int SerialLine::read(char* buffer, int max)
{
    for (;;) {
        const ssize_t n = ::read(d->fd, buffer, size_t(max));
        if (n >= 0)
            return int(n);
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            return 0;
        throw PortError(QStringLiteral("Error reading port ") + d->name);
    }
}

void SerialLine::wake()
{
    ::eventfd_write(d->wakeFd, 1);
}

// --- device list ---

namespace {

// A ttyS node exists for every UART slot the kernel reserves; only those whose
// port type is known have a UART behind them.
bool hasUart(const QString& name)
{
    QFile type(QStringLiteral("/sys/class/tty/") + name + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    const QByteArray value = type.readAll().trimmed();
    return !value.isEmpty() && value != "0";
}

} // namespace

QStringList existingSerialDevices()
{
    QStringList devices;
    const QStringList names =
        QDir(QStringLiteral("/dev"))
            .entryList({QStringLiteral("ttyS*"), QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*")},
                       QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        if (name.startsWith(QLatin1String("ttyS")) && !hasUart(name))
            continue;
        devices.append(QStringLiteral("/dev/") + name);
    }
    return devices;
}

QString serialDeviceOf(int number, const QStringList& existingDevices)
{
    return comPortDevice(number, existingDevices);
}

QString serialPortsOverview(const QStringList&)
{
    return {};
}

} // namespace pleq
