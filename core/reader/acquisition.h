#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTime>
#include <QTimer>

#include <functional>
#include <memory>

namespace pleq {

class Project;
class SerialPort;
class ReadThread;

// What the acquisition shows on screen, apart from the log: the connection
// label and the two buttons of the calculation window. pleq-cli shows nothing.
class ReaderView
{
public:
    virtual ~ReaderView() = default;
    // The connection label: "Установлено" in green, or "Нет" in red.
    virtual void showConnection(bool established) = 0;
    // The start button disabled and the stop button shown while running;
    // the start button enabled and the stop button hidden after.
    virtual void showAcquiring(bool running) = 0;
};

// The exchange state of the reader link ("ОжиданиеДанных" and
// "ПолученыДанные" in the lab's words); Unset until the first change.
enum class ExchangeState { Unset, Waiting, Received };

// How an acquisition that started ended.
enum class AcquisitionEnd {
    Data,    // the densities were written
    Stopped, // "Прервать" (or the application closing)
    Failed,  // the port failed, or the data were no whole plate; the message says how
};

// The reader link of the main window: the port of the running acquisition,
// the exchange state, the collected data, the receive handler and the
// acquisition itself. The acquisition is a state machine on the GUI thread,
// driven by single-shot timers (its pauses) and the port's hand-overs (the
// replies), so the event loop keeps running throughout. During a pause the
// port holds its hand-over, so a reply is handled only in a wait or a poll
// pass, in the order the reader protocol fixes. The plate stays locked from
// the start of an acquisition to its end.
class ReaderLink : public QObject
{
    Q_OBJECT
public:
    static constexpr int BaudRate = 9600;
    static constexpr int Columns = 12; // the reader always scans the whole plate

    // Opens the port for a port number; the default opens SerialPort(number, 9600).
    using PortOpener = std::function<std::unique_ptr<SerialPort>(int portNumber)>;
    // The interval the timer waits for a pause of the protocol; the default is
    // the pause itself.
    using PauseInterval = std::function<int(int milliseconds)>;
    using Clock = std::function<QTime()>;

    ReaderLink(Project& project, ReaderView& view);
    // Ends a running acquisition quietly: the port released, the plate unlocked.
    ~ReaderLink() override;
    ReaderLink(const ReaderLink&) = delete;
    ReaderLink& operator=(const ReaderLink&) = delete;

    void setPortOpener(PortOpener opener) { m_openPort = std::move(opener); }

    // The number of the port start() opens: a setting of the workstation, not
    // of the plate, so no project file holds it and no edit of the project
    // changes it; 0 until set ("Error opening port COM0").
    int portNumber() const { return m_portNumber; }
    void setPortNumber(int number) { m_portNumber = number; }
    void setPauseInterval(PauseInterval interval) { m_pauseInterval = std::move(interval); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // Starts the acquisition of one plate from portNumber() and returns: true
    // when it started (finished() reports its end), false when one is already
    // running. Throws PortError when the port cannot be opened or the
    // first command not written; the acquisition has ended then, without
    // finished(), as on every other way out.
    bool start();
    // "Прервать": a running acquisition ends at once, the densities unchanged.
    void stop();

    // Frames a command and hands it to ReaderPort; nothing without a port.
    void send(const QString& text);
    // The receive handler of the port: classifies one chunk.
    void onReceived(ReadThread* sender, const QByteArray& bytes);

    // The hidden diagnostic controls of the main window: "Инициализация"
    // opens COM1 into ReaderPort, "тест" sends a typed command. Refused while
    // an acquisition holds the port.
    void openDiagnosticPort();
    void sendDiagnostic(const QString& text);

    // A log line: the time of day in the long time format, then the message.
    void log(const QString& message);

    bool acquiring() const { return m_step != Step::Idle; }
    SerialPort* readerPort() const { return m_readerPort.get(); }
    ExchangeState exchangeState() const { return m_exchangeState; }
    const QString& receivedData() const { return m_receivedData; }
    // Every byte received since the data were emptied, whatever the chunks:
    // the densities are read from these by the reader's framing.
    const QByteArray& receivedBytes() const { return m_receivedBytes; }
    bool stopRequested() const { return m_stopRequested; }
    // The pauses the last acquisition took, in protocol milliseconds (for the benchmark).
    qint64 pausedMilliseconds() const { return m_paused; }

Q_SIGNALS:
    // The end of an acquisition that start() began; the error message when
    // it failed.
    void finished(pleq::AcquisitionEnd end, const QString& error);

private:
    // Where the acquisition stands: in a pause (the timer runs, the port
    // holds its hand-over) before the named step, or waiting for a reply.
    enum class Step {
        Idle,
        InitWait,     // "E" sent and paused: waiting for the initialisation reply
        ColumnsPause, // the pause before "J 12"
        ColumnsWait,  // "J 12" sent and paused: waiting for its acknowledgement
        ScanWait,     // "Z" sent and paused: waiting for its acknowledgement
        Poll,         // the long pause, then one "X 0" and a pause per pass
        LastWait,     // the poll ended: waiting for one more reply
    };

    void pauseThen(int milliseconds, Step next);
    void pauseEnded();
    void waitForReply();
    void replyHandled();
    void pollPass();
    // Runs one step of the machine; an error ends the acquisition as Failed.
    void guarded(const std::function<void()>& step);
    void attach(std::unique_ptr<SerialPort> port);
    void releasePort();
    // Every way out: the port released, the label and buttons reset, the
    // densities written after a whole plate (data that are none end it as
    // Failed), the plate unlocked, and the end reported (unless start()
    // throws it).
    void endAcquisition(AcquisitionEnd end, const QString& error = {}, bool report = true);

    Project& m_project;
    ReaderView& m_view;
    PortOpener m_openPort;
    int m_portNumber = 0;
    PauseInterval m_pauseInterval;
    Clock m_clock;
    QTimer m_pause;

    std::unique_ptr<SerialPort> m_readerPort;
    Step m_step = Step::Idle;
    bool m_waiting = false; // in a wait, not a pause: a reply moves the machine on
    ExchangeState m_exchangeState = ExchangeState::Unset;
    QString m_receivedData;
    QByteArray m_receivedBytes;
    bool m_stopRequested = false;
    qint64 m_paused = 0;
};

// Runs one acquisition to its end in a local event loop (pleq-cli, tests):
// true when the densities were written, false when stopped or already
// running. Throws PortError when the port failed at the start, and Error with
// the message when the acquisition failed later (the port, or the data).
bool runAcquisition(ReaderLink& link);

// The time of day as the reader log writes it: the locale's long time format
// (without the time zone).
QString logTimeText(const QTime& time);

} // namespace pleq
