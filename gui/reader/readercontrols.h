#pragma once

#include <QObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace pleq {

class CalculationWindow;
class ReaderLink;
class Session;

// The main window's hidden diagnostic controls: "Инициализация" (open), "тест"
// (send) and the command text it sends.
struct DiagnosticControls {
    QPushButton* open = nullptr;
    QPushButton* send = nullptr;
    QLineEdit* command = nullptr;
};

// Puts the session's reader link into the windows. The main window creates it
// once all windows exist and hands it the calculation window (its start and
// stop buttons and connection label) and its own diagnostic controls. The
// buttons start and stop the link; the label and the buttons follow the
// link's state as the session signals it. It opens the log window on Ctrl+L
// in the main window or a click on the connection label, shows an error that
// ends a running acquisition, and stops a running acquisition when the main
// window closes, releasing the port at once.
class ReaderControls : public QObject
{
    Q_OBJECT
public:
    static constexpr auto LogShortcut = Qt::CTRL | Qt::Key_L;

    ReaderControls(Session& session, QWidget* mainWindow, CalculationWindow& calculationWindow,
                   const DiagnosticControls& diagnostics, QWidget* logWindow);
    ~ReaderControls() override;

    void showLog();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showConnection(bool established);
    void showAcquiring(bool running);

    ReaderLink& m_link;
    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_calculationWindow;
    QPointer<QWidget> m_logWindow;
    QPointer<QPushButton> m_start;
    QPointer<QPushButton> m_stop;
    QPointer<QLabel> m_connectionLabel;
    DiagnosticControls m_diagnostics;
    // Only compared with the watched object, never used: an object being
    // destroyed still passes its last events through the filter.
    const QObject* m_filteredLabel = nullptr;
    const QObject* m_filteredWindow = nullptr;
};

} // namespace pleq
