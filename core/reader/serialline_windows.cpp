// The serial line on Windows: the COM port opened for overlapped I/O with
// exclusive access; the read thread sleeps in WaitForMultipleObjects on the
// port's received-character event, its wake event and the pending write.

#include "core/reader/serialline.h"

#include "core/reader/portnames.h"
#include "core/reader/serialport.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>
#include <mutex>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace pleq {

namespace {

// How often the read thread looks for bytes where the driver's event waits
// end at once without a character.
constexpr DWORD PollMs = 10;

// One overlapped operation: its event lives as long as the line, and the
// OVERLAPPED must stay put until the system has finished with it.
struct Overlapped {
    OVERLAPPED ov{};
    bool pending = false;

    bool create()
    {
        ov.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return ov.hEvent != nullptr;
    }
    void destroy()
    {
        if (ov.hEvent)
            ::CloseHandle(ov.hEvent);
        ov.hEvent = nullptr;
    }
    void restart()
    {
        HANDLE event = ov.hEvent;
        ov = OVERLAPPED{};
        ov.hEvent = event;
        ::ResetEvent(event);
    }
};

} // namespace

struct SerialLine::Impl {
    QString name;
    HANDLE port = INVALID_HANDLE_VALUE;
    HANDLE hold = nullptr; // this program's claim on the device, see the constructor
    HANDLE wakeEvent = nullptr;
    bool settingsSaved = false;
    DCB saved{};
    DWORD quietMs = 20;

    // Read thread only.
    Overlapped commEvent;
    DWORD eventMask = 0;
    bool polling = false; // the driver ends event waits at once: look every PollMs
    Overlapped reading;

    // Writes: one WriteFile in flight, the rest waits in `pending`.
    std::mutex writeMutex;
    Overlapped writing;
    QByteArray inFlight;
    QByteArray pending;
    bool writeFailed = false;

    [[noreturn]] void fail(const QString& message) { throw PortError(message); }

    // Waits until an operation the system still holds has ended, so that its
    // OVERLAPPED and buffer can go.
    void settle(Overlapped& op)
    {
        if (op.pending && port != INVALID_HANDLE_VALUE) {
            DWORD n = 0;
            ::GetOverlappedResult(port, &op.ov, &n, TRUE);
        }
        op.pending = false;
    }

    void release()
    {
        if (port != INVALID_HANDLE_VALUE) {
            // Unsent bytes are dropped rather than waited for: a stalled line
            // must not hang the close.
            ::CancelIoEx(port, nullptr);
            settle(commEvent);
            settle(reading);
            {
                std::lock_guard lock(writeMutex);
                settle(writing);
            }
            ::PurgeComm(port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
            if (settingsSaved)
                ::SetCommState(port, &saved);
            ::CloseHandle(port);
            port = INVALID_HANDLE_VALUE;
        }
        if (hold) {
            ::ReleaseSemaphore(hold, 1, nullptr);
            ::CloseHandle(hold);
            hold = nullptr;
        }
        commEvent.destroy();
        reading.destroy();
        writing.destroy();
        if (wakeEvent) {
            ::CloseHandle(wakeEvent);
            wakeEvent = nullptr;
        }
    }

    // Starts the next write when none is in flight. Caller holds writeMutex.
    bool startWrite()
    {
        while (!writing.pending && !pending.isEmpty()) {
            inFlight = pending;
            pending.clear();
            writing.restart();
            DWORD n = 0;
            if (::WriteFile(port, inFlight.constData(), DWORD(inFlight.size()), &n, &writing.ov)) {
                if (n < DWORD(inFlight.size()))
                    pending.prepend(inFlight.mid(qsizetype(n)));
                continue;
            }
            if (::GetLastError() != ERROR_IO_PENDING)
                return false;
            writing.pending = true;
        }
        return true;
    }

    // The write in flight has ended: the rest follows. Caller holds writeMutex.
    bool finishWrite()
    {
        DWORD n = 0;
        const bool ok = ::GetOverlappedResult(port, &writing.ov, &n, FALSE);
        writing.pending = false;
        if (!ok)
            return false;
        if (n < DWORD(inFlight.size()))
            pending.prepend(inFlight.mid(qsizetype(n)));
        inFlight.clear();
        return startWrite();
    }

    void writeFailure()
    {
        writeFailed = true;
        pending.clear();
        inFlight.clear();
    }
};

SerialLine::SerialLine(const QString& device, const QString& portName, int baud)
    : d(std::make_unique<Impl>())
{
    d->name = portName;
    try {
        // The driver keeps a COM port to one program; a named claim, taken
        // before the open, keeps a second Pleq off the device where it does
        // not (Wine's ports), so that it never purges or resets the first's
        // line. A program that ends without releasing the claim closes its
        // handle, and the claim goes with it.
        QString claim = QStringLiteral("Pleq serial line ") + device.toUpper();
        claim.replace(QLatin1Char('\\'), QLatin1Char('/'));
        HANDLE hold = ::CreateSemaphoreW(nullptr, 1, 1, reinterpret_cast<const wchar_t*>(claim.utf16()));
        if (!hold || ::WaitForSingleObject(hold, 0) != WAIT_OBJECT_0) {
            if (hold)
                ::CloseHandle(hold);
            d->fail(QStringLiteral("Error opening port ") + portName);
        }
        d->hold = hold;
        // Exclusive (no sharing), overlapped so that the read thread's wait
        // and the owner's writes never block each other.
        d->port = ::CreateFileW(reinterpret_cast<const wchar_t*>(device.utf16()), GENERIC_READ | GENERIC_WRITE, 0,
                                nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (d->port == INVALID_HANDLE_VALUE)
            d->fail(QStringLiteral("Error opening port ") + portName);
        if (::GetFileType(d->port) != FILE_TYPE_CHAR)
            d->fail(QStringLiteral("Error opening port ") + portName);

        const QString stateError = QStringLiteral("Error setting port ") + portName + QStringLiteral(" state");
        d->saved.DCBlength = sizeof(DCB);
        if (!::GetCommState(d->port, &d->saved))
            d->fail(stateError);
        d->settingsSaved = true;
        // 8N1, binary, no parity check, no flow control of either kind, no
        // character replacement; DTR and RTS raised as a terminal does.
        DCB dcb = d->saved;
        dcb.BaudRate = DWORD(baud);
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fTXContinueOnXoff = TRUE;
        dcb.fOutX = FALSE;
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        dcb.fAbortOnError = FALSE;
        if (baud <= 0 || !::SetCommState(d->port, &dcb))
            d->fail(stateError);
        // A read returns at once with what is queued; the thread waits for
        // bytes in WaitCommEvent, never in ReadFile. Writes never time out.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        if (!::SetCommTimeouts(d->port, &timeouts) || !::SetCommMask(d->port, EV_RXCHAR))
            d->fail(stateError);

        if (!::PurgeComm(d->port, PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR))
            d->fail(QStringLiteral("Error purging port ") + portName);

        // Quiet means three character times (10 bits each), but never less
        // than 20 ms: a UART hands its bytes over in bursts and a USB adapter
        // every 16 ms, and a reply split at such a gap must stay whole.
        d->quietMs = DWORD(std::max(3 * 10 * 1000 / baud, 20));

        d->wakeEvent = ::CreateEventW(nullptr, FALSE, FALSE, nullptr); // auto-reset: one wake, one sleep ended
        if (!d->wakeEvent || !d->commEvent.create() || !d->reading.create() || !d->writing.create())
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
    d->pending += bytes;
    if (!d->startWrite()) {
        d->writeFailure();
        throw PortError(QStringLiteral("Error writing port ") + d->name);
    }
    // A write in flight: the read thread watches for its end and sends the rest.
    if (d->writing.pending)
        wake();
}

bool SerialLine::waitForBytes()
{
    const QString waitError = QStringLiteral("Error waiting port ") + d->name + QStringLiteral(" event");
    for (;;) {
        if (queued() > 0)
            return true;
        if (!d->polling && !d->commEvent.pending) {
            d->commEvent.restart();
            d->eventMask = 0;
            if (::WaitCommEvent(d->port, &d->eventMask, &d->commEvent.ov))
                continue; // a character came already: counted at the top
            if (::GetLastError() != ERROR_IO_PENDING)
                throw PortError(waitError);
            d->commEvent.pending = true;
        }

        HANDLE handles[3] = {d->wakeEvent, nullptr, nullptr};
        DWORD count = 1;
        if (d->commEvent.pending)
            handles[count++] = d->commEvent.ov.hEvent;
        bool writing;
        {
            std::lock_guard lock(d->writeMutex);
            writing = d->writing.pending;
            if (writing)
                handles[count++] = d->writing.ov.hEvent;
        }
        const DWORD which = ::WaitForMultipleObjects(count, handles, FALSE, d->polling ? PollMs : INFINITE);
        if (which == WAIT_TIMEOUT)
            continue; // polling: look at the queue again
        if (which == WAIT_OBJECT_0)
            return false; // woken; the event wait stays armed for the next call
        if (which >= WAIT_OBJECT_0 + count)
            throw PortError(waitError);
        const HANDLE signalled = handles[which - WAIT_OBJECT_0];
        if (writing && signalled == d->writing.ov.hEvent) {
            std::lock_guard lock(d->writeMutex);
            if (!d->finishWrite())
                d->writeFailure();
            continue;
        }
        DWORD n = 0;
        d->commEvent.pending = false;
        if (::GetOverlappedResult(d->port, &d->commEvent.ov, &n, FALSE) && (d->eventMask & EV_RXCHAR))
            continue; // bytes: counted at the top
        // A wait that ended without a character: the port gone (a USB adapter
        // pulled out), which the queue's count tells by failing, or a driver
        // that ends every wait at once (Wine's on a pseudo-terminal does).
        // Rather than spin, the thread then looks at the queue every PollMs.
        queued();
        d->polling = true;
    }
}

bool SerialLine::gather(int limit)
{
    int last = queued();
    while (last < limit) {
        if (::WaitForSingleObject(d->wakeEvent, d->quietMs) == WAIT_OBJECT_0)
            return false;
        const int now = queued();
        if (now == last)
            break; // quiet for three character times
        last = now;
    }
    return true;
}

int SerialLine::queued()
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(d->port, &errors, &status))
        throw PortError(QStringLiteral("Error clearing port ") + d->name);
    return int(std::min<DWORD>(status.cbInQue, DWORD(INT_MAX)));
}

int SerialLine::read(char* buffer, int max)
{
    const QString readError = QStringLiteral("Error reading port ") + d->name;
    d->reading.restart();
    DWORD n = 0;
    if (!::ReadFile(d->port, buffer, DWORD(std::max(max, 0)), &n, &d->reading.ov)) {
        if (::GetLastError() != ERROR_IO_PENDING)
            throw PortError(readError);
        // With the timeouts set at open the read ends at once with what is
        // queued; waiting for its end is waiting for the copy.
        d->reading.pending = true;
        const bool ok = ::GetOverlappedResult(d->port, &d->reading.ov, &n, TRUE);
        d->reading.pending = false;
        if (!ok)
            throw PortError(readError);
    }
    return int(n);
}

void SerialLine::wake()
{
    ::SetEvent(d->wakeEvent);
}

// --- device list ---

namespace {

// "COM7" -> 7; 0 for anything else.
int comNumber(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-9][0-9]{0,2})$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = pattern.match(name.trimmed());
    const int number = m.hasMatch() ? m.captured(1).toInt() : 0;
    return number <= 255 ? number : 0;
}

QString deviceOfNumber(int number)
{
    return QStringLiteral("\\\\.\\COM") + QString::number(number);
}

} // namespace

QStringList existingSerialDevices()
{
    std::map<int, QString> found; // by number, so the list reads COM1, COM2, ..., COM10
    // The ports the drivers announce.
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) == ERROR_SUCCESS) {
        for (DWORD index = 0;; ++index) {
            wchar_t valueName[256];
            DWORD nameLength = 256;
            wchar_t data[64] = {};
            DWORD dataSize = sizeof data - sizeof(wchar_t);
            DWORD type = 0;
            const LONG result = ::RegEnumValueW(key, index, valueName, &nameLength, nullptr, &type,
                                                reinterpret_cast<BYTE*>(data), &dataSize);
            if (result == ERROR_NO_MORE_ITEMS)
                break;
            if (result != ERROR_SUCCESS || type != REG_SZ)
                continue;
            const int number = comNumber(QString::fromWCharArray(data));
            if (number > 0)
                found[number] = deviceOfNumber(number);
        }
        ::RegCloseKey(key);
    }
    // Names defined without a registry entry (some virtual port drivers).
    for (int number = 1; number <= 255; ++number) {
        wchar_t target[512];
        const QString name = QStringLiteral("COM") + QString::number(number);
        if (::QueryDosDeviceW(reinterpret_cast<const wchar_t*>(name.utf16()), target, 512) != 0)
            found[number] = deviceOfNumber(number);
    }
    QStringList devices;
    for (const auto& [number, device] : found)
        devices.append(device);
    return devices;
}

QString serialDeviceOf(int number, const QStringList&)
{
    // Any number names its port: one the system does not list may still open
    // (the open then says whether it exists).
    return number >= 1 && number <= 255 ? deviceOfNumber(number) : QString();
}

QString serialPortsOverview(const QStringList& existingDevices)
{
    QStringList names;
    for (const QString& device : existingDevices)
        names.append(device.mid(4)); // without the "\\.\" prefix
    return names.isEmpty() ? QStringLiteral("Порты в системе: не найдены")
                           : QStringLiteral("Порты в системе: ") + names.join(QStringLiteral(", "));
}

} // namespace pleq
