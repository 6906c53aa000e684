#include "core/reader/acquisition.h"

#include "core/model/project.h"
#include "core/reader/serialport.h"
#include "core/reader/replies.h"

#include <QEventLoop>
#include <QLocale>
#include <QRegularExpression>

#include <optional>

namespace pleq {

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
    , m_openPort([](int number) { return std::make_unique<SerialPort>(number, BaudRate); })
    , m_pauseInterval([](int ms) { return ms; })
    , m_clock([] { return QTime::currentTime(); })
{
    // A pause is never shorter than the protocol's, as a coarse timer could make it.
    m_pause.setSingleShot(true);
    m_pause.setTimerType(Qt::PreciseTimer);
    connect(&m_pause, &QTimer::timeout, this, &ReaderLink::pauseEnded);
}

ReaderLink::~ReaderLink()
{
    if (!acquiring())
        return;
    m_pause.stop();
    m_readerPort.reset();
    m_project.setPlateLocked(false);
}

void ReaderLink::log(const QString& message)
{
    m_project.appendLog(logTimeText(m_clock()) + message);
}

void ReaderLink::send(const QString& text)
{
    if (m_readerPort)
        m_readerPort->write(commandFrame(text));
}

void ReaderLink::onReceived(ReadThread*, const QByteArray& bytes)
{
    // The chunks' boundaries follow the timing, not the replies: the
    // densities are read from all the bytes together.
    m_receivedBytes += bytes;
    switch (classify(bytes)) {
    case ReplyClass::Initialisation:
        log(QStringLiteral(" Инициализация успешно ..."));
        m_exchangeState = ExchangeState::Received;
        break;
    case ReplyClass::Acknowledgement:
        log(QStringLiteral(" Команда выполнена прибором ..."));
        m_exchangeState = ExchangeState::Received;
        break;
    case ReplyClass::Data: {
        const QString text = chunkText(bytes);
        log(QStringLiteral(" Получены данные : ") + text);
        // Once the data hold their end mark they grow no more.
        if (!m_receivedData.contains(QLatin1String("OK")))
            m_receivedData += text;
        m_view.showConnection(true);
        if (text.contains(QLatin1String("OK"))) {
            m_exchangeState = ExchangeState::Received;
            log(QStringLiteral(" Данные к обработке : ") + m_receivedData);
            log(QStringLiteral(" Объем : ") + QString::number(bytes.size()) + QStringLiteral(" байт"));
        }
        break;
    }
    }
    if (m_waiting && m_exchangeState != ExchangeState::Waiting) {
        m_waiting = false;
        guarded([this] { replyHandled(); });
    }
}

void ReaderLink::attach(std::unique_ptr<SerialPort> port)
{
    port->setOnReceive([this](ReadThread* sender, const QByteArray& bytes) { onReceived(sender, bytes); });
    m_readerPort = std::move(port);
}

void ReaderLink::guarded(const std::function<void()>& step)
{
    try {
        step();
    } catch (const Error& e) {
        endAcquisition(AcquisitionEnd::Failed, e.message());
    }
}

void ReaderLink::pauseThen(int milliseconds, Step next)
{
    m_paused += milliseconds;
    m_step = next;
    m_waiting = false;
    // A reply arriving meanwhile waits in the port's hand-over.
    m_readerPort->holdDeliveries(true);
    m_pause.start(m_pauseInterval(milliseconds));
}

void ReaderLink::pauseEnded()
{
    guarded([this] {
        switch (m_step) {
        case Step::InitWait:
            m_exchangeState = ExchangeState::Waiting;
            waitForReply();
            break;
        case Step::ColumnsPause:
            log(QStringLiteral(" Определение количества столбцов ..."));
            log(QStringLiteral(" Столбцов для сканирования:") + QString::number(Columns));
            send(QStringLiteral("J ") + QString::number(Columns));
            pauseThen(300, Step::ColumnsWait);
            break;
        case Step::ColumnsWait:
        case Step::ScanWait: waitForReply(); break;
        case Step::Poll: pollPass(); break;
        case Step::Idle:
        case Step::LastWait: break;
        }
    });
}

void ReaderLink::waitForReply()
{
    if (m_exchangeState != ExchangeState::Waiting) {
        replyHandled();
        return;
    }
    m_waiting = true;
    // Last: a held reply is handled in this call and may end the acquisition.
    m_readerPort->holdDeliveries(false);
}

void ReaderLink::replyHandled()
{
    switch (m_step) {
    case Step::InitWait:
        m_exchangeState = ExchangeState::Waiting;
        pauseThen(200, Step::ColumnsPause);
        break;
    case Step::ColumnsWait:
        m_exchangeState = ExchangeState::Waiting;
        send(QStringLiteral("Z"));
        pauseThen(300, Step::ScanWait);
        break;
    case Step::ScanWait:
        m_exchangeState = ExchangeState::Waiting;
        m_receivedData.clear();
        m_receivedBytes.clear();
        pauseThen(3800, Step::Poll);
        break;
    case Step::LastWait: endAcquisition(AcquisitionEnd::Data); break;
    case Step::Idle:
    case Step::ColumnsPause:
    case Step::Poll: break;
    }
}

// One pass of the poll. The test comes only at the top of each pass: the pass
// that handles the reply ending the poll still sends its "X 0" and pauses;
// then one more reply is awaited.
void ReaderLink::pollPass()
{
    if (m_exchangeState != ExchangeState::Waiting) {
        m_exchangeState = ExchangeState::Waiting;
        m_step = Step::LastWait;
        waitForReply();
        return;
    }
    // The reply held during the last pause, if any, is handled here.
    m_readerPort->holdDeliveries(false);
    send(QStringLiteral("X 0"));
    pauseThen(300, Step::Poll);
}

void ReaderLink::releasePort()
{
    m_readerPort.reset();
}

void ReaderLink::endAcquisition(AcquisitionEnd end, const QString& error, bool report)
{
    m_pause.stop();
    m_waiting = false;
    m_step = Step::Idle;
    releasePort();
    m_view.showConnection(false);
    m_view.showAcquiring(false);
    // The densities go into the wells of the layout the acquisition began
    // with: nothing could change it while the plate was locked. Data that are
    // no whole plate change nothing.
    QString message = error;
    if (end == AcquisitionEnd::Data) {
        const ReaderPlate plate = readPlate(m_receivedBytes);
        if (plate.error.isEmpty()) {
            writeDensities(plate.densities, m_project);
        } else {
            end = AcquisitionEnd::Failed;
            message = plate.error;
        }
    }
    m_project.setPlateLocked(false);
    if (report)
        Q_EMIT finished(end, message);
}

bool ReaderLink::start()
{
    // A second click while one runs starts nothing.
    if (acquiring())
        return false;
    m_step = Step::InitWait;
    m_view.showAcquiring(true);
    m_stopRequested = false;
    m_paused = 0;
    m_project.setPlateLocked(true);

    try {
        attach(m_openPort(m_portNumber));
        log(QStringLiteral(" Попытка инициализации ..."));
        send(QStringLiteral("E"));
    } catch (...) {
        endAcquisition(AcquisitionEnd::Failed, {}, false);
        throw;
    }
    pauseThen(200, Step::InitWait);
    return true;
}

void ReaderLink::stop()
{
    m_stopRequested = true;
    m_view.showAcquiring(false);
    if (acquiring())
        endAcquisition(AcquisitionEnd::Stopped);
}

void ReaderLink::openDiagnosticPort()
{
    // The acquisition's port must not be replaced under it.
    if (acquiring())
        throw Error(Project::PlateLockedMessage);
    // COM1 whatever portNumber() holds. A port already held is released only
    // once the new one is open.
    attach(m_openPort(1));
}

void ReaderLink::sendDiagnostic(const QString& text)
{
    if (acquiring())
        throw Error(Project::PlateLockedMessage);
    send(text);
}

bool runAcquisition(ReaderLink& link)
{
    QEventLoop loop;
    std::optional<AcquisitionEnd> end;
    QString error;
    QObject::connect(&link, &ReaderLink::finished, &loop, [&](AcquisitionEnd how, const QString& message) {
        end = how;
        error = message;
        loop.quit();
    });
    if (!link.start())
        return false;
    if (!end)
        loop.exec();
    if (end == AcquisitionEnd::Failed)
        throw Error(error);
    return end == AcquisitionEnd::Data;
}

} // namespace pleq
