#include "gui/reader/readercontrols.h"

#include "gui/app/dialogs.h"
#include "gui/calc/calculationwindow.h"
#include "session/session.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace pleq {

ReaderControls::ReaderControls(Session& session, QWidget* mainWindow, CalculationWindow& calculationWindow,
                               const DiagnosticControls& diagnostics, QWidget* logWindow)
    : QObject(mainWindow)
    , m_link(session.reader())
    , m_mainWindow(mainWindow)
    , m_calculationWindow(&calculationWindow)
    , m_logWindow(logWindow)
    , m_start(calculationWindow.startButton())
    , m_stop(calculationWindow.stopButton())
    , m_connectionLabel(calculationWindow.connectionLabel())
    , m_diagnostics(diagnostics)
{
    setObjectName(QStringLiteral("readerControls"));

    connect(m_start, &QPushButton::clicked, this,
            [this] { runCommand(m_calculationWindow, [this] { m_link.start(); }); });
    connect(m_stop, &QPushButton::clicked, this, [this] { m_link.stop(); });
    connect(&session, &Session::readerConnectionChanged, this, &ReaderControls::showConnection);
    connect(&session, &Session::readerAcquiringChanged, this, &ReaderControls::showAcquiring);
    // A port error after the start ends the acquisition inside a timer or a
    // reply; it is shown as the start's errors are.
    connect(&m_link, &ReaderLink::finished, this, [this](AcquisitionEnd end, const QString& error) {
        if (end == AcquisitionEnd::Failed)
            Dialogs::get().error(m_calculationWindow, error);
    });
    m_filteredLabel = m_connectionLabel;
    m_connectionLabel->installEventFilter(this);
    m_connectionLabel->setCursor(Qt::PointingHandCursor);
    m_connectionLabel->setToolTip(QStringLiteral("Журнал ридера (Ctrl+L)"));

    if (m_diagnostics.open)
        connect(m_diagnostics.open, &QPushButton::clicked, this,
                [this] { runCommand(m_mainWindow, [this] { m_link.openDiagnosticPort(); }); });
    if (m_diagnostics.send)
        connect(m_diagnostics.send, &QPushButton::clicked, this, [this] {
            runCommand(m_mainWindow, [this] {
                m_link.sendDiagnostic(m_diagnostics.command ? m_diagnostics.command->text() : QString());
            });
        });

    if (mainWindow) {
        auto* shortcut = new QShortcut(QKeySequence(LogShortcut), mainWindow);
        shortcut->setObjectName(QStringLiteral("main.readerLogShortcut"));
        connect(shortcut, &QShortcut::activated, this, &ReaderControls::showLog);
        m_filteredWindow = mainWindow;
        mainWindow->installEventFilter(this);
    }
}

ReaderControls::~ReaderControls() = default;

void ReaderControls::showLog()
{
    if (!m_logWindow)
        return;
    m_logWindow->show();
    m_logWindow->raise();
    m_logWindow->activateWindow();
}

bool ReaderControls::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filteredLabel && event->type() == QEvent::MouseButtonRelease) {
        showLog();
        return false;
    }
    // The application ends with the main window: a running acquisition stops
    // at once and releases the port.
    if (watched == m_filteredWindow && event->type() == QEvent::Close && m_link.acquiring())
        m_link.stop();
    return QObject::eventFilter(watched, event);
}

void ReaderControls::showConnection(bool established)
{
    if (!m_connectionLabel)
        return;
    m_connectionLabel->setText(established ? QStringLiteral("Установлено") : QStringLiteral("Нет"));
    QPalette palette = m_connectionLabel->palette();
    palette.setColor(QPalette::WindowText, established ? QColor(0, 128, 0) : QColor(255, 0, 0));
    m_connectionLabel->setPalette(palette);
}

void ReaderControls::showAcquiring(bool running)
{
    if (m_start)
        m_start->setEnabled(!running);
    if (m_stop)
        m_stop->setVisible(running);
}

} // namespace pleq
