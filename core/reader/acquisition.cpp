#include "core/reader/acquisition.h"

#include "core/model/project.h"
#include "core/reader/comport.h"
#include "core/reader/replies.h"

#include <QCoreApplication>
#include <QLocale>
#include <QRegularExpression>

#include <chrono>
#include <thread>

namespace pleq {

const QString ReaderLink::Waiting = QStringLiteral("ОжиданиеДанных");
const QString ReaderLink::Received = QStringLiteral("ПолученыДанные");

QString logTimeText(const QTime& time)
{
    const QLocale locale = QLocale::system();
    QString format = locale.timeFormat(QLocale::LongFormat);
    static const QRegularExpression zone(QStringLiteral("\\s*t+\\s*"));
    format.replace(zone, QStringLiteral(" "));
    return locale.toString(time, format.trimmed());
}

ReaderLink::ReaderLink(Project& project, ReaderView& view)
    : m_project(project)
    , m_view(view)
    , m_openPort([](int number) { return std::make_unique<TComPort>(number, BaudRate); })
    , m_pause([](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); })
    , m_clock([] { return QTime::currentTime(); })
{
}

ReaderLink::~ReaderLink() = default;

void ReaderLink::log(const QString& message)
{
    m_project.appendLog(logTimeText(m_clock()) + message);
}

void ReaderLink::SendDataToComPort(const QString& text)
{
    if (m_readerPort)
        m_readerPort->Write(commandFrame(text));
}

void ReaderLink::OnRead(TReadThread*, const QByteArray& bytes)
{
    switch (classify(bytes)) {
    case ReplyClass::Initialisation:
        log(QStringLiteral(" Инициализация успешно ..."));
        m_exchangeState = Received;
        return;
    case ReplyClass::Acknowledgement:
        log(QStringLiteral(" Команда выполнена прибором ..."));
        m_exchangeState = Received;
        return;
    case ReplyClass::Data:
        break;
    }
    const QString text = chunkText(bytes);
    log(QStringLiteral(" Получены данные : ") + text);
    // Once the data hold their end mark they grow no more.
    if (!m_receivedData.contains(QLatin1String("OK")))
        m_receivedData += text;
    m_view.showConnection(true);
    if (text.contains(QLatin1String("OK"))) {
        m_exchangeState = Received;
        log(QStringLiteral(" Данные к обработке : ") + m_receivedData);
        log(QStringLiteral(" Объем : ") + QString::number(bytes.size()) + QStringLiteral(" байт"));
    }
}

void ReaderLink::pause(int milliseconds)
{
    m_paused += milliseconds;
    m_pause(milliseconds);
}

bool ReaderLink::waitForReply()
{
    // Sleeps until the next event arrives (a hand-over from the port, a click,
    // a timer) instead of testing in a loop; replies are handled only here.
    while (m_exchangeState == Waiting && !m_stopRequested)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    return !m_stopRequested;
}

void ReaderLink::attach(std::unique_ptr<TComPort> port)
{
    port->setOnReceive([this](TReadThread* sender, const QByteArray& bytes) { OnRead(sender, bytes); });
    m_readerPort = std::move(port);
}

void ReaderLink::endAcquisition()
{
    m_readerPort.reset();
    m_view.showConnection(false);
    m_view.showAcquiring(false);
    m_acquiring = false;
}

bool ReaderLink::GoClick()
{
    // "Прервать" enables Go before the running acquisition has seen the stop;
    // a click in that moment must not start a second one inside the first.
    if (m_acquiring)
        return false;
    m_acquiring = true;
    m_view.showAcquiring(true);
    m_stopRequested = false;
    m_paused = 0;

    // Every way out ends the acquisition: an error, a stop, or the data.
    struct End {
        ReaderLink* link;
        ~End()
        {
            if (link)
                link->endAcquisition();
        }
    } end{this};

    attach(m_openPort(m_project.portNumber()));
    log(QStringLiteral(" Попытка инициализации ..."));

    SendDataToComPort(QStringLiteral("E"));
    pause(200);
    m_exchangeState = Waiting;
    if (!waitForReply())
        return false;

    m_exchangeState = Waiting;
    pause(200);
    log(QStringLiteral(" Определение количества столбцов ..."));
    log(QStringLiteral(" Столбцов для сканирования:") + QString::number(Columns));

    SendDataToComPort(QStringLiteral("J ") + QString::number(Columns));
    pause(300);
    if (!waitForReply())
        return false;

    m_exchangeState = Waiting;
    SendDataToComPort(QStringLiteral("Z"));
    pause(300);
    if (!waitForReply())
        return false;

    m_exchangeState = Waiting;
    m_receivedData.clear();
    pause(3800);

    // The test comes only at the top of each pass: the pass that handles the
    // reply ending the poll still sends its "X 0" and pauses.
    while (m_exchangeState == Waiting && !m_stopRequested) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        SendDataToComPort(QStringLiteral("X 0"));
        pause(300);
    }
    if (m_stopRequested)
        return false;

    m_exchangeState = Waiting;
    if (!waitForReply())
        return false;

    end.link = nullptr;
    endAcquisition();
    parseReceivedData(m_receivedData, m_project);
    return true;
}

void ReaderLink::StopBtnClick()
{
    m_stopRequested = true;
    m_view.showAcquiring(false);
}

void ReaderLink::openDiagnosticPort()
{
    // COM1 whatever PortNumber holds. A port already held is released only
    // once the new one is open (it used to be left open and lost).
    attach(m_openPort(1));
}

void ReaderLink::sendDiagnostic(const QString& text)
{
    SendDataToComPort(text);
}

} // namespace pleq
