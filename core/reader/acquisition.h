#pragma once

#include <QByteArray>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>

namespace pleq {

class Project;
class TComPort;
class TReadThread;

// What the acquisition shows on screen, apart from the log: the connection
// label and the two buttons of the calculation window. pleq-cli shows nothing.
class ReaderView
{
public:
    virtual ~ReaderView() = default;
    // Label2: "Установлено" in green, or "Нет" in red.
    virtual void showConnection(bool established) = 0;
    // Go disabled and StopBtn shown while running; Go enabled and StopBtn hidden after.
    virtual void showAcquiring(bool running) = 0;
};

// The reader link of the main window: the port of the running acquisition,
// the exchange state, the collected data, the receive handler and the
// acquisition itself. Everything runs on the GUI thread; the acquisition
// handles replies only inside its waits and its poll, where it processes the
// application's pending events (so other handlers, "Прервать" among them, run
// nested inside it).
class ReaderLink
{
public:
    static constexpr int BaudRate = 9600;
    static constexpr int Columns = 12; // the reader always scans the whole plate
    static const QString Waiting;      // "ОжиданиеДанных"
    static const QString Received;     // "ПолученыДанные"

    // Opens the port for a port number; the default opens TComPort(number, 9600).
    using PortOpener = std::function<std::unique_ptr<TComPort>(int portNumber)>;
    // A plain sleep of the main thread; the default really sleeps.
    using Pause = std::function<void(int milliseconds)>;
    using Clock = std::function<QTime()>;

    ReaderLink(Project& project, ReaderView& view);
    ~ReaderLink();
    ReaderLink(const ReaderLink&) = delete;
    ReaderLink& operator=(const ReaderLink&) = delete;

    void setPortOpener(PortOpener opener) { m_openPort = std::move(opener); }
    void setPause(Pause pause) { m_pause = std::move(pause); }
    void setClock(Clock clock) { m_clock = std::move(clock); }

    // The acquisition of one plate from PortNumber. Returns true when the data
    // reached the density table, false when stopped (or already running).
    // Throws EComPortError when the port cannot be opened or written; the
    // acquisition has ended then as on every other way out.
    bool GoClick();
    // "Прервать": the acquisition ends at its next test of the stop.
    void StopBtnClick();

    // Frames a command and hands it to ReaderPort; nothing without a port.
    void SendDataToComPort(const QString& text);
    // The receive handler of the port: classifies one chunk.
    void OnRead(TReadThread* sender, const QByteArray& bytes);

    // The hidden diagnostic controls of the main window: "Инициализация"
    // opens COM1 into ReaderPort, "тест" sends a typed command.
    void openDiagnosticPort();
    void sendDiagnostic(const QString& text);

    // A log line: the time of day in the long time format, then the message.
    void log(const QString& message);

    bool acquiring() const { return m_acquiring; }
    TComPort* readerPort() const { return m_readerPort.get(); }
    const QString& exchangeState() const { return m_exchangeState; }
    const QString& receivedData() const { return m_receivedData; }
    bool stopRequested() const { return m_stopRequested; }
    // The pauses the last acquisition slept, in milliseconds (for the benchmark).
    qint64 pausedMilliseconds() const { return m_paused; }

private:
    void pause(int milliseconds);
    bool waitForReply();
    void attach(std::unique_ptr<TComPort> port);
    void endAcquisition();

    Project& m_project;
    ReaderView& m_view;
    PortOpener m_openPort;
    Pause m_pause;
    Clock m_clock;

    std::unique_ptr<TComPort> m_readerPort;
    QString m_exchangeState;
    QString m_receivedData;
    bool m_stopRequested = false;
    bool m_acquiring = false;
    qint64 m_paused = 0;
};

// The time of day as the reader log writes it: the locale's long time format
// (without the time zone).
QString logTimeText(const QTime& time);

} // namespace pleq
