#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

namespace pleq {

// The operating system's side of one open serial line. Everything that calls
// the platform lives behind this class (serialline_linux.cpp: POSIX termios),
// so that another platform's layer can stand beside it.
//
// The owner thread (the GUI thread) constructs, writes, wakes and destroys;
// the port's read thread waits, gathers, counts and reads.
class SerialLine
{
public:
    // Opens the device exclusively for reading and writing and sets it to raw,
    // binary-safe 8N1 at the baud rate. Throws PortError with the message
    // of the step that failed; nothing stays open then.
    SerialLine(const QString& device, const QString& portName, int baud);
    // Restores the line settings read at open, drops the exclusive hold, closes.
    ~SerialLine();
    SerialLine(const SerialLine&) = delete;
    SerialLine& operator=(const SerialLine&) = delete;

    // Hands all the bytes to the line and returns without waiting for them to
    // leave; bytes leave in the order of the calls. Throws "Error writing port".
    void write(const QByteArray& bytes);

    // --- read thread ---
    // Sleeps until bytes are queued (true) or wake() is called (false).
    // Throws "Error waiting port ... event" when the line is gone.
    bool waitForBytes();
    // Once bytes are queued: sleeps until the line has been quiet for about
    // three character times (20 ms at least) or `limit` bytes are queued (true), or until
    // wake() (false). A reply trickling in byte by byte thus stays whole.
    bool gather(int limit);
    // The number of bytes queued. Throws "Error clearing port".
    int queued();
    // Takes up to max queued bytes without waiting. Throws "Error reading port".
    int read(char* buffer, int max);

    // Any thread: ends the read thread's current or next sleep.
    void wake();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace pleq
