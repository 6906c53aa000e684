#pragma once

#include "core/model/errors.h"

#include <QByteArray>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace pleq {

class SerialLine;
class SerialPort;

// Every failure of the serial port; the message names the port.
class PortError : public Error
{
public:
    using Error::Error;
};

class ReadThread;

// The receive handler: called on the port's owner thread with each received chunk
// (1 to 256 bytes); the sender is the port's read thread.
using ReceiveHandler = std::function<void(ReadThread* sender, const QByteArray& bytes)>;

// How the read thread hands a chunk to the owner thread: post the call so
// that the owner thread runs it later, from its event processing. The default
// is a queued call into the Qt application's thread; tests put in another.
using HandOverPoster = std::function<void(std::function<void()> call)>;
HandOverPoster qtHandOver();

// The port's background reader: it sleeps until bytes arrive, reads them and
// hands them over synchronously, waiting until the owner thread has run the
// delivery (or the port is being destroyed).
class ReadThread
{
public:
    ReadThread(SerialPort& port, SerialLine& line, HandOverPoster poster);
    // Stops the thread and waits for it; a pending hand-over is dropped.
    ~ReadThread();
    ReadThread(const ReadThread&) = delete;
    ReadThread& operator=(const ReadThread&) = delete;

    bool running() const;

private:
    // What the read thread and the delivery calls share; a posted delivery
    // keeps it alive after the port is gone and then does nothing.
    struct HandOver {
        std::mutex mutex;
        std::condition_variable delivered;
        bool stop = false;
        bool ended = false;
        std::uint64_t posted = 0; // sequence number of the last chunk posted
        std::uint64_t done = 0;   // sequence number of the last chunk delivered
    };

    void run();

    SerialPort& m_port;
    SerialLine& m_line;
    HandOverPoster m_poster;
    std::shared_ptr<HandOver> m_handOver;
    char m_buffer[256];
    std::uint32_t m_count = 0;
    std::thread m_thread;
};

// An open serial port: non-blocking write, and a read thread that hands every
// received chunk to the receive handler on the thread that created the port.
class SerialPort
{
public:
    // Opens "COM" + portNumber by the port-name rule (portnames.h).
    SerialPort(int portNumber, int baud);
    // Opens a device file, naming it portName in messages.
    SerialPort(const QString& device, const QString& portName, int baud, HandOverPoster poster = qtHandOver());
    // Stops the read thread (never waiting on the owner thread), restores the
    // line settings and closes. May be called from inside the receive handler.
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Starts sending all the bytes and returns at once. Throws "Error writing port".
    void write(const QByteArray& bytes);

    // Chunks that arrive while no handler is set are dropped.
    void setOnReceive(ReceiveHandler handler) { m_onReceive = std::move(handler); }
    const ReceiveHandler& onReceive() const { return m_onReceive; }

    // While held, a chunk handed over waits, as if the owner thread were not
    // processing its events: the read thread waits for it to be delivered, so
    // at most one chunk is held. Letting go delivers it at once, in this call.
    // Owner thread only.
    void holdDeliveries(bool hold);
    bool holdingDeliveries() const { return m_holding; }

    const QString& portName() const { return m_portName; }
    // False once the read thread has ended on an error (the line was lost).
    bool receiving() const;

private:
    QString m_portName;
    std::unique_ptr<SerialLine> m_line;
    ReceiveHandler m_onReceive;
    bool m_holding = false;
    std::function<void()> m_held; // the delivery waiting while held
    std::unique_ptr<ReadThread> m_readThread;

    friend class ReadThread;
};

} // namespace pleq
