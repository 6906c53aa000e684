#include "gui/reader/readercontrols.h"

#include "gui/app/dialogs.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>

namespace pleq {

namespace {

template<typename T>
T* child(QWidget* window, const char* name)
{
    return window ? window->findChild<T*>(QLatin1String(name)) : nullptr;
}

} // namespace

ReaderControls::ReaderControls(Project& project, QWidget* mainWindow, QWidget* calculationWindow, QWidget* logWindow)
    : QObject(mainWindow)
    , m_link(project, *this)
    , m_mainWindow(mainWindow)
    , m_calculationWindow(calculationWindow)
    , m_logWindow(logWindow)
    , m_go(child<QPushButton>(calculationWindow, "Go"))
    , m_stop(child<QPushButton>(calculationWindow, "StopBtn"))
    , m_label(child<QLabel>(calculationWindow, "Label2"))
    , m_edtWrite(child<QLineEdit>(mainWindow, "edtWrite"))
{
    setObjectName(QStringLiteral("ReaderControls"));

    if (m_go)
        connect(m_go, &QPushButton::clicked, this,
                [this] { runCommand(m_calculationWindow, [this] { m_link.GoClick(); }); });
    if (m_stop)
        connect(m_stop, &QPushButton::clicked, this, [this] { m_link.StopBtnClick(); });
    if (m_label) {
        m_filteredLabel = m_label;
        m_label->installEventFilter(this);
        m_label->setCursor(Qt::PointingHandCursor);
        m_label->setToolTip(QStringLiteral("Журнал ридера (Ctrl+L)"));
    }

    if (auto* button1 = child<QPushButton>(mainWindow, "Button1"))
        connect(button1, &QPushButton::clicked, this,
                [this] { runCommand(m_mainWindow, [this] { m_link.openDiagnosticPort(); }); });
    if (auto* button2 = child<QPushButton>(mainWindow, "Button2"))
        connect(button2, &QPushButton::clicked, this, [this] {
            runCommand(m_mainWindow, [this] { m_link.sendDiagnostic(m_edtWrite ? m_edtWrite->text() : QString()); });
        });

    if (mainWindow) {
        auto* shortcut = new QShortcut(QKeySequence(LogShortcut), mainWindow);
        shortcut->setObjectName(QStringLiteral("ReaderLogShortcut"));
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
    // at its next test, releases the port and returns to the closing loop.
    if (watched == m_filteredWindow && event->type() == QEvent::Close && m_link.acquiring())
        m_link.StopBtnClick();
    return QObject::eventFilter(watched, event);
}

void ReaderControls::showConnection(bool established)
{
    if (!m_label)
        return;
    m_label->setText(established ? QStringLiteral("Установлено") : QStringLiteral("Нет"));
    QPalette palette = m_label->palette();
    palette.setColor(QPalette::WindowText, established ? QColor(0, 128, 0) : QColor(255, 0, 0));
    m_label->setPalette(palette);
}

void ReaderControls::showAcquiring(bool running)
{
    if (m_go)
        m_go->setEnabled(!running);
    if (m_stop)
        m_stop->setVisible(running);
}

} // namespace pleq
