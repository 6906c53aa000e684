#pragma once

#include "core/reader/acquisition.h"

#include <QObject>
#include <QPointer>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace pleq {

class Project;
class CalculationWindow;

// The main window's hidden diagnostic controls: "Инициализация" (open), "тест"
// (send) and the command text it sends.
struct DiagnosticControls {
    QPushButton* open = nullptr;
    QPushButton* send = nullptr;
    QLineEdit* command = nullptr;
};

// Puts the reader link into the windows. The main window creates it once all
// windows exist and hands it the calculation window (its start and stop
// buttons and connection label) and its own diagnostic controls. It opens the
// log window on Ctrl+L in the main window or a click on the connection label,
// shows an error that ends a running acquisition, and stops a running
// acquisition when the main window closes, releasing the port at once.
class ReaderControls : public QObject, private ReaderView
{
    Q_OBJECT
public:
    static constexpr auto LogShortcut = Qt::CTRL | Qt::Key_L;

    ReaderControls(Project& project, QWidget* mainWindow, CalculationWindow& calculationWindow,
                   const DiagnosticControls& diagnostics, QWidget* logWindow);
    ~ReaderControls() override;

    ReaderLink& link() { return m_link; }
    void showLog();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showConnection(bool established) override;
    void showAcquiring(bool running) override;

    ReaderLink m_link;
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
