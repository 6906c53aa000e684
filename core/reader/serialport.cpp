#include "core/reader/serialport.h"

#include "core/reader/portnames.h"
#include "core/reader/serialline.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <system_error>
#include <utility>

namespace pleq {

HandOverPoster qtHandOver()
{
    return [](std::function<void()> call) {
        // The application object lives in the GUI thread: the call runs there,
        // from its event processing. Without one, nothing is delivered.
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, std::move(call), Qt::QueuedConnection);
    };
}

// --- ReadThread ---

ReadThread::ReadThread(SerialPort& port, SerialLine& line, HandOverPoster poster)
    : m_port(port)
    , m_line(line)
    , m_poster(std::move(poster))
    , m_handOver(std::make_shared<HandOver>())
{
    m_thread = std::thread([this] { run(); });
}

ReadThread::~ReadThread()
{
    {
        std::lock_guard lock(m_handOver->mutex);
        m_handOver->stop = true;
    }
    m_handOver->delivered.notify_all();
    m_line.wake();
    if (m_thread.joinable())
        m_thread.join();
}

bool ReadThread::running() const
{
    std::lock_guard lock(m_handOver->mutex);
    return !m_handOver->ended;
}

void ReadThread::run()
{
    try {
        for (;;) {
            {
                std::lock_guard lock(m_handOver->mutex);
                if (m_handOver->stop)
                    break;
            }
            if (!m_line.waitForBytes() || !m_line.gather(int(sizeof m_buffer)))
                continue; // woken: the stop is tested at the top
            m_count = std::uint32_t(m_line.queued());
            if (m_count == 0)
                continue;
            m_count = std::uint32_t(m_line.read(m_buffer, std::min(int(m_count), int(sizeof m_buffer))));
            if (m_count == 0)
                continue;
            const QByteArray chunk(m_buffer, qsizetype(m_count));

            std::uint64_t sequence;
            {
                std::lock_guard lock(m_handOver->mutex);
                if (m_handOver->stop)
                    break;
                sequence = ++m_handOver->posted;
            }
            // The delivery proper, run on the owner thread now or, while the
            // port holds its deliveries, once it lets them through.
            auto delivery = [handOver = m_handOver, port = &m_port, sender = this, sequence, chunk] {
                {
                    std::lock_guard lock(handOver->mutex);
                    if (handOver->stop)
                        return; // the port is being destroyed or gone
                }
                // Whatever happens in the handler, the read thread goes on.
                struct Done {
                    HandOver& h;
                    std::uint64_t sequence;
                    ~Done()
                    {
                        {
                            std::lock_guard lock(h.mutex);
                            h.done = sequence;
                        }
                        h.delivered.notify_all();
                    }
                } done{*handOver, sequence};
                // A local copy: the handler may destroy the port, and the
                // handler object with it, while it runs.
                const ReceiveHandler handler = port->onReceive();
                if (handler)
                    handler(sender, chunk);
            };
            m_poster([handOver = m_handOver, port = &m_port, delivery = std::move(delivery)]() mutable {
                {
                    std::lock_guard lock(handOver->mutex);
                    if (handOver->stop)
                        return;
                }
                // The port lives while its hand-over is not stopped: both end
                // on this thread, in the port's destructor.
                if (port->holdingDeliveries()) {
                    port->m_held = std::move(delivery);
                    return;
                }
                delivery();
            });

            std::unique_lock lock(m_handOver->mutex);
            m_handOver->delivered.wait(lock, [&] { return m_handOver->stop || m_handOver->done >= sequence; });
            if (m_handOver->stop)
                break;
        }
    } catch (const PortError&) {
        // A failure on the read thread ends it silently; write still works.
    }
    std::lock_guard lock(m_handOver->mutex);
    m_handOver->ended = true;
}

// --- SerialPort ---

namespace {

QString deviceOf(int portNumber)
{
    return serialDeviceOf(portNumber, existingSerialDevices());
}

} // namespace

SerialPort::SerialPort(int portNumber, int baud)
    : SerialPort(deviceOf(portNumber), comPortName(portNumber), baud)
{
}

SerialPort::SerialPort(const QString& device, const QString& portName, int baud, HandOverPoster poster)
    : m_portName(portName)
{
    if (device.isEmpty())
        throw PortError(QStringLiteral("Error opening port ") + m_portName);
    m_line = std::make_unique<SerialLine>(device, m_portName, baud);
    // Last, so that a failure before leaves no thread; the line closes with m_line.
    try {
        m_readThread = std::make_unique<ReadThread>(*this, *m_line, std::move(poster));
    } catch (const std::system_error&) {
        throw PortError(QStringLiteral("Error creating read event"));
    }
}

SerialPort::~SerialPort()
{
    m_readThread.reset(); // joins: the thread never touches the port afterwards
    m_line.reset();
}

void SerialPort::write(const QByteArray& bytes)
{
    m_line->write(bytes);
}

void SerialPort::holdDeliveries(bool hold)
{
    m_holding = hold;
    if (hold || !m_held)
        return;
    // Last: the delivery may destroy the port.
    const std::function<void()> delivery = std::exchange(m_held, {});
    delivery();
}

bool SerialPort::receiving() const
{
    return m_readThread->running();
}

} // namespace pleq
