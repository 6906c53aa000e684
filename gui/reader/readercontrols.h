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

// Puts the reader link into the windows. The main window creates it once all
// windows exist. It finds by name the calculation window's Go, StopBtn and
// Label2 and the main window's hidden Button1, Button2 and edtWrite (a window
// without them is left alone), and opens the log window on Ctrl+L in the main
// window or a click on the connection label. Closing the main window stops a
// running acquisition, which then ends and releases the port.
class ReaderControls : public QObject, private ReaderView
{
    Q_OBJECT
public:
    static constexpr auto LogShortcut = Qt::CTRL | Qt::Key_L;

    ReaderControls(Project& project, QWidget* mainWindow, QWidget* calculationWindow, QWidget* logWindow);
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
    QPointer<QPushButton> m_go;
    QPointer<QPushButton> m_stop;
    QPointer<QLabel> m_label;
    QPointer<QLineEdit> m_edtWrite;
    // Only compared with the watched object, never used: an object being
    // destroyed still passes its last events through the filter.
    const QObject* m_filteredLabel = nullptr;
    const QObject* m_filteredWindow = nullptr;
};

} // namespace pleq
