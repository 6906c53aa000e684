#include "ptypair.h"
#include "core/reader/serialport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

#include <grp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>

using namespace pleq;

namespace {

// The chunks a port delivered, in order.
struct Chunks {
    QList<QByteArray> list;
    QByteArray all() const { return list.join(); }
    ReceiveHandler handler()
    {
        return [this](ReadThread*, const QByteArray& bytes) { list.append(bytes); };
    }
};

// The hand-overs the read thread posted and those the owner thread ran
// (delivered, dropped without a handler, or held), to wait on events, not time.
struct CountedHandOver {
    std::shared_ptr<std::atomic<int>> posted = std::make_shared<std::atomic<int>>(0);
    std::shared_ptr<std::atomic<int>> ran = std::make_shared<std::atomic<int>>(0);
    HandOverPoster poster() const
    {
        return [posted = posted, ran = ran](std::function<void()> call) {
            ++*posted;
            qtHandOver()([ran, call = std::move(call)] {
                call();
                ++*ran;
            });
        };
    }
};

// Writes the parts a gap apart, from a thread of its own at a real-time
// priority where the system allows it and by absolute deadlines, so that a
// busy machine does not stretch the gaps: a UART keeps its pace.
bool writePaced(const PtyPair& pty, const QList<QByteArray>& parts, long gapMicroseconds)
{
    bool written = true;
    std::thread writer([&] {
        sched_param param{};
        param.sched_priority = 1;
        ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
        timespec next{};
        ::clock_gettime(CLOCK_MONOTONIC, &next);
        for (const QByteArray& part : parts) {
            while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR) { }
            written = pty.write(part) && written;
            next.tv_nsec += gapMicroseconds * 1000;
            next.tv_sec += next.tv_nsec / 1000000000L;
            next.tv_nsec %= 1000000000L;
        }
    });
    writer.join();
    return written;
}

QByteArray everyByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        bytes.append(char(b));
    return bytes;
}

bool sameSettings(const termios& a, const termios& b)
{
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag && a.c_lflag == b.c_lflag
           && std::equal(std::begin(a.c_cc), std::end(a.c_cc), std::begin(b.c_cc)) && cfgetispeed(&a) == cfgetispeed(&b)
           && cfgetospeed(&a) == cfgetospeed(&b);
}

QString openError(const std::function<void()>& open)
{
    try {
        open();
    } catch (const PortError& e) {
        return e.message();
    }
    return QStringLiteral("(opened)");
}

} // namespace

class TestSerialPort : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rawWhileOpenAndRestoredAfter();
    void binarySafeBothWays();
    void failures_data();
    void failures();
    void openTwiceFails();
    void exclusiveAgainstOtherUsers();
    void chunksBeforeHandlerDropped();
    void trickleGatheredIntoOneChunk();
    void backlogReadIn256ByteChunks();
    void handlerDestroysPort();
    void destroyWhileHandOverPending();
    void heldDeliveryWaitsForRelease();
    void hangUpEndsReadingSilently();
};

void TestSerialPort::rawWhileOpenAndRestoredAfter()
{
    PtyPair pty;
    termios before{};
    QCOMPARE(tcgetattr(pty.slave, &before), 0);
    QVERIFY(before.c_lflag & ICANON); // a fresh pty is cooked

    {
        SerialPort port(pty.path, QStringLiteral("COM3"), 9600);
        termios t{};
        QCOMPARE(tcgetattr(pty.slave, &t), 0);
        QCOMPARE(t.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), tcflag_t(0));
        QCOMPARE(t.c_iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP | BRKINT | PARMRK), tcflag_t(0));
        QCOMPARE(t.c_oflag & OPOST, tcflag_t(0));
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));
        QVERIFY(t.c_cflag & CREAD);
        QCOMPARE(int(t.c_cc[VMIN]), 1);
        QCOMPARE(int(t.c_cc[VTIME]), 0);
        QCOMPARE(cfgetospeed(&t), speed_t(B9600));
        QCOMPARE(cfgetispeed(&t), speed_t(B9600));
    }
    termios after{};
    QCOMPARE(tcgetattr(pty.slave, &after), 0);
    QVERIFY(sameSettings(before, after));
}

void TestSerialPort::binarySafeBothWays()
{
    // CR, LF, XON/XOFF, ^C, DEL and the high half must pass untouched.
    PtyPair pty;
    Chunks chunks;
    SerialPort port(pty.path, QStringLiteral("COM3"), 9600);
    port.setOnReceive(chunks.handler());

    QVERIFY(pty.write(everyByte()));
    QTRY_COMPARE(chunks.all().size(), 256);
    QCOMPARE(chunks.all(), everyByte());

    port.write(everyByte());
    QCOMPARE(pty.read(256), everyByte());
    QCOMPARE(pty.read(1, 100), QByteArray()); // no echo, nothing added
}

void TestSerialPort::failures_data()
{
    // clang-format off
    QTest::addColumn<QString>("device");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such device") << "/dev/ttyNoSuch7" << 9600 << "Error opening port COM7";
    QTest::newRow("not a terminal") << "/dev/null" << 9600 << "Error opening port COM7";
    QTest::newRow("rate the line refuses") << "pty" << 12345 << "Error setting port COM7 state";
    // clang-format on
}

void TestSerialPort::failures()
{
    QFETCH(QString, device);
    QFETCH(int, baud);
    QFETCH(QString, message);
    PtyPair pty;
    if (device == QLatin1String("pty"))
        device = pty.path;
    QCOMPARE(openError([&] { SerialPort p(device, QStringLiteral("COM7"), baud); }), message);
    // Nothing stays open: the line can be opened at once.
    QCOMPARE(openError([&] { SerialPort p(pty.path, QStringLiteral("COM7"), 9600); }), QStringLiteral("(opened)"));
}

void TestSerialPort::openTwiceFails()
{
    PtyPair pty;
    QCOMPARE(openError([] { SerialPort p(0, 9600); }), QStringLiteral("Error opening port COM0"));
    {
        SerialPort first(pty.path, QStringLiteral("COM2"), 9600);
        QCOMPARE(openError([&] { SerialPort p(pty.path, QStringLiteral("COM2"), 9600); }),
                 QStringLiteral("Error opening port COM2"));
    }
    // The hold is released with the port.
    QCOMPARE(openError([&] { SerialPort p(pty.path, QStringLiteral("COM2"), 9600); }), QStringLiteral("(opened)"));
}

void TestSerialPort::exclusiveAgainstOtherUsers()
{
    // Another user's program is turned away by TIOCEXCL (root passes it, so the
    // other program runs as nobody when the test runs as root).
    PtyPair pty;
    QVERIFY(::chmod(QFile::encodeName(pty.path).constData(), 0666) == 0);

    enum Outcome { Opened = 10, Busy = 11, Refused = 12, OtherError = 13, NoDrop = 14 };
    const auto otherProgram = [&](bool tryRawOpen) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
                ::_exit(NoDrop);
            if (tryRawOpen) {
                const int fd = ::open(QFile::encodeName(pty.path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
                ::_exit(fd >= 0 ? Opened : errno == EBUSY ? Busy : OtherError);
            }
            const QString error = openError([&] { SerialPort p(pty.path, QStringLiteral("COM4"), 9600); });
            ::_exit(error == QLatin1String("(opened)")                  ? Opened
                    : error == QLatin1String("Error opening port COM4") ? Refused
                                                                        : OtherError);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };

    QCOMPARE(otherProgram(false), int(Opened)); // the line itself is open to that user
    SerialPort port(pty.path, QStringLiteral("COM4"), 9600);
    QCOMPARE(otherProgram(true), int(Busy));
    QCOMPARE(otherProgram(false), int(Refused));
}

void TestSerialPort::chunksBeforeHandlerDropped()
{
    PtyPair pty;
    CountedHandOver handOver;
    SerialPort port(pty.path, QStringLiteral("COM3"), 9600, handOver.poster());
    QVERIFY(pty.write("early"));
    QTRY_COMPARE(handOver.ran->load(), 1); // delivered with no handler: dropped
    Chunks chunks;
    port.setOnReceive(chunks.handler());
    QVERIFY(pty.write("late"));
    QTRY_COMPARE(chunks.all(), QByteArray("late"));
}

void TestSerialPort::trickleGatheredIntoOneChunk()
{
    // "OK" CR LF arriving a byte per character time must stay one chunk, or
    // the acknowledgement would never be recognised.
    PtyPair pty;
    Chunks chunks;
    SerialPort port(pty.path, QStringLiteral("COM3"), 9600);
    port.setOnReceive(chunks.handler());
    QVERIFY(writePaced(pty, {"O", "K", "\r", "\n"}, 1050));
    QTRY_COMPARE(chunks.all().size(), 4);
    QCOMPARE(chunks.list, QList<QByteArray>{"OK\r\n"});

    // A UART driver hands bytes on in bursts of 8, about 8 ms apart at 9600
    // baud: the reply must still come as one chunk, as the reader log shows it.
    chunks.list.clear();
    const QByteArray reply = "0\r\n 0.123 0.456 0.789 1.234 1.567 1.890 2.123 2.456\r\n";
    QList<QByteArray> bursts;
    for (qsizetype i = 0; i < reply.size(); i += 8)
        bursts << reply.mid(i, 8);
    QVERIFY(writePaced(pty, bursts, 8000));
    QTRY_COMPARE(chunks.all().size(), reply.size());
    QCOMPARE(chunks.list, QList<QByteArray>{reply});

    // A gap of many character times ends a chunk: here, the time until the
    // first chunk was handed over.
    chunks.list.clear();
    QVERIFY(pty.write("0\r\n"));
    QTRY_COMPARE(chunks.list.size(), 1);
    QVERIFY(pty.write("OK\r\n"));
    QTRY_COMPARE(chunks.list, (QList<QByteArray>{"0\r\n", "OK\r\n"}));
}

void TestSerialPort::backlogReadIn256ByteChunks()
{
    PtyPair pty;
    Chunks chunks;
    SerialPort port(pty.path, QStringLiteral("COM3"), 9600);
    port.setOnReceive(chunks.handler());
    QByteArray backlog;
    for (int i = 0; i < 600; ++i)
        backlog.append(char('A' + i % 26));
    QVERIFY(pty.write(backlog));
    QTRY_COMPARE(chunks.all().size(), 600);
    QCOMPARE(chunks.all(), backlog);
    QCOMPARE(chunks.list.first().size(), 256);
    for (const QByteArray& chunk : chunks.list)
        QVERIFY(chunk.size() >= 1 && chunk.size() <= 256);
}

void TestSerialPort::handlerDestroysPort()
{
    PtyPair pty;
    auto port = std::make_unique<SerialPort>(pty.path, QStringLiteral("COM3"), 9600);
    int calls = 0;
    port->setOnReceive([&](ReadThread*, const QByteArray&) {
        ++calls;
        port.reset(); // the handler ends the port it was called by
    });
    QVERIFY(pty.write("first"));
    QTRY_VERIFY(!port);
    QVERIFY(pty.write("more"));
    QCoreApplication::processEvents(); // what was posted before the port went
    QCOMPARE(calls, 1);
    // Released: the line opens again.
    QCOMPARE(openError([&] { SerialPort p(pty.path, QStringLiteral("COM3"), 9600); }), QStringLiteral("(opened)"));
}

void TestSerialPort::destroyWhileHandOverPending()
{
    PtyPair pty;
    CountedHandOver handOver;
    int calls = 0;
    {
        SerialPort port(pty.path, QStringLiteral("COM3"), 9600, handOver.poster());
        port.setOnReceive([&](ReadThread*, const QByteArray&) { ++calls; });
        QVERIFY(pty.write("waiting"));
        // The read thread posts and waits in the hand-over; no events run.
        QElapsedTimer guard;
        guard.start();
        while (handOver.posted->load() == 0 && guard.elapsed() < 60000)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        QCOMPARE(handOver.posted->load(), 1);
    }
    QCoreApplication::processEvents(); // the posted delivery finds the port gone
    QCOMPARE(handOver.ran->load(), 1);
    QCOMPARE(calls, 0);
}

void TestSerialPort::heldDeliveryWaitsForRelease()
{
    // While held, the chunk read waits in the hand-over and the read thread
    // with it; letting go delivers that chunk within the call, then reading
    // goes on.
    PtyPair pty;
    Chunks chunks;
    CountedHandOver handOver;
    auto port = std::make_unique<SerialPort>(pty.path, QStringLiteral("COM3"), 9600, handOver.poster());
    port->setOnReceive(chunks.handler());
    port->holdDeliveries(true);
    QVERIFY(pty.write("first"));
    QTRY_COMPARE(handOver.ran->load(), 1); // held
    QVERIFY(pty.write("second"));
    QCoreApplication::processEvents();
    QVERIFY(chunks.list.isEmpty());
    port->holdDeliveries(false);
    QCOMPARE(chunks.list, QList<QByteArray>{"first"});
    QTRY_COMPARE(chunks.list, (QList<QByteArray>{"first", "second"}));

    // The held chunk's handler may end the port as it is let go.
    int calls = 0;
    port->setOnReceive([&](ReadThread*, const QByteArray&) {
        ++calls;
        port.reset();
    });
    port->holdDeliveries(true);
    QVERIFY(pty.write("last"));
    QTRY_COMPARE(handOver.ran->load(), 3); // held
    port->holdDeliveries(false);
    QCOMPARE(calls, 1);
    QVERIFY(!port);
}

void TestSerialPort::hangUpEndsReadingSilently()
{
    PtyPair pty;
    Chunks chunks;
    SerialPort port(pty.path, QStringLiteral("COM3"), 9600);
    port.setOnReceive(chunks.handler());
    QVERIFY(pty.write("bye"));
    QTRY_COMPARE(chunks.all(), QByteArray("bye"));
    ::close(pty.slave); // only the port holds the line now
    pty.slave = -1;
    pty.closeMaster(); // the reader is unplugged
    QTRY_VERIFY(!port.receiving());
    QCOMPARE(chunks.list.size(), 1);
    QCOMPARE(openError([&] { port.write("X 0\n\r"); }), QStringLiteral("Error writing port COM3"));
}

QTEST_GUILESS_MAIN(TestSerialPort)
#include "tst_serialport.moc"
