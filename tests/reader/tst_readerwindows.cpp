#include "gui/app/gridview.h"
#include "gui/app/mainwindow.h"
#include "gui/layout/projectwindow.h"
#include "gui/layout/layoutwindow.h"
#include "gui/calc/calculationwindow.h"
#include "core/model/project.h"
#include "core/reader/serialport.h"
#include "gui/reader/readerlogwindow.h"
#include "gui/reader/portdialog.h"
#include "core/reader/portnames.h"
#include "gui/reader/readercontrols.h"
#include "tools/reader-sim/readersim.h"
#include "lockstep.h"
#include "support/appsession.h"
#include "support/recordingdialogs.h"
#include "support/typing.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace pleq;

namespace {

// The whole application window with a simulated reader behind its port.
struct App {
    test::RecordingDialogs dialogs;
    std::unique_ptr<Session> session = test::makeSession();
    Project& project = session->project();
    ReaderLink& link = session->reader();
    MainWindow window{*session};
    sim::ReaderSimulator reader;
    ReaderControls* controls = window.findChild<ReaderControls*>(QStringLiteral("readerControls"));
    QPushButton* startButton = window.calculationWindow()->findChild<QPushButton*>(QStringLiteral("calc.start"));
    QPushButton* stopButton = window.calculationWindow()->findChild<QPushButton*>(QStringLiteral("calc.stop"));
    QLabel* connectionLabel = window.calculationWindow()->findChild<QLabel*>(QStringLiteral("calc.connection"));

    std::unique_ptr<Lockstep> lockstep;
    bool answers;

    explicit App(sim::Options options = {})
        : reader(options)
        , answers(options.mode != sim::Options::Mode::Silent)
    {
        window.show();
        reader.start();
    }

    // Pauses a fifth of the real ones unless a test makes them otherwise; in
    // step with a reader that answers (lockstep.h).
    void useSimulator(Lockstep::Length length = [](int ms) { return ms / 5; })
    {
        lockstep = std::make_unique<Lockstep>(link, reader, std::move(length), answers);
        const HandOverPoster poster = answers ? lockstep->poster() : qtHandOver();
        link.setPortOpener([this, poster](int number) {
            return std::make_unique<SerialPort>(QString::fromStdString(reader.devicePath()), comPortName(number),
                                                ReaderLink::BaudRate, poster);
        });
    }

    // Runs `action` once the first pause is over, in the wait for the first reply.
    void afterTheFirstPause(std::function<void()> action)
    {
        lockstep->inPause([this, action](int, int interval, int index) {
            if (index == 0)
                QTimer::singleShot(interval, Qt::PreciseTimer, &window, action);
        });
    }

    QColor connectionColour() const { return connectionLabel->palette().color(QPalette::WindowText); }
    bool portFree() const
    {
        try {
            SerialPort port(QString::fromStdString(reader.devicePath()), QStringLiteral("COM9"), 9600);
            return true;
        } catch (const PortError&) {
            return false;
        }
    }
};

} // namespace

class TestReaderWindows : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void portDialogAtStart();
    void portDialogChoices_data();
    void portDialogChoices();
    void portDialogRefusesTypingAndBadText();
    void portDialogShowsDevice();
    void logWindowFollowsTheLog();
    void goWithPortZero();
    void acquisitionThroughTheWindow();
    void stopButton();
    void windowLiveAndPlateLockedDuringRead();
    void lateErrorInTheErrorBox();
    void closingDuringAcquisition();
    void logWindowReachable();
    void diagnosticControls();
};

void TestReaderWindows::portDialogAtStart()
{
    test::RecordingDialogs dialogs;
    Session session;
    ReaderLink& link = session.reader();
    PortDialog dialog(link);
    dialog.show();
    auto* portN = dialog.findChild<QComboBox*>(QStringLiteral("portDialog.port"));
    QCOMPARE(portN->currentText(), QStringLiteral("0"));
    QCOMPARE(portN->count(), 256);
    QCOMPARE(portN->itemText(255), QStringLiteral("255"));
    dialog.findChild<QPushButton*>(QStringLiteral("portDialog.ok"))->click();
    QCOMPARE(link.portNumber(), 0);
    QVERIFY(!dialog.isVisible());
    QVERIFY(dialogs.errors.isEmpty());
}

void TestReaderWindows::portDialogChoices_data()
{
    // clang-format off
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("stored");
    QTest::newRow("255 accepted") << 255 << "portDialog.ok" << 255;
    QTest::newRow("3 accepted") << 3 << "portDialog.ok" << 3;
    QTest::newRow("Отмена keeps 7") << 12 << "portDialog.cancel" << 7;
    // clang-format on
}

void TestReaderWindows::portDialogChoices()
{
    QFETCH(int, index);
    QFETCH(QString, button);
    QFETCH(int, stored);
    test::RecordingDialogs dialogs;
    Session session;
    ReaderLink& link = session.reader();
    link.setPortNumber(7);
    PortDialog dialog(link);
    dialog.show();
    auto* portN = dialog.findChild<QComboBox*>(QStringLiteral("portDialog.port"));
    QCOMPARE(portN->currentText(), QStringLiteral("7"));
    portN->setCurrentIndex(index);
    dialog.findChild<QPushButton*>(button)->click();
    QCOMPARE(link.portNumber(), stored);
    QVERIFY(!dialog.isVisible());

    // Shown again: the stored number, the full list rebuilt.
    portN->setEditText(QStringLiteral("99"));
    dialog.show();
    QCOMPARE(portN->currentText(), QString::number(stored));
    QCOMPARE(portN->count(), 256);
    QCOMPARE(portN->itemText(0), QStringLiteral("0"));
}

void TestReaderWindows::portDialogRefusesTypingAndBadText()
{
    test::RecordingDialogs dialogs;
    Session session;
    ReaderLink& link = session.reader();
    PortDialog dialog(link);
    dialog.show();
    auto* portN = dialog.findChild<QComboBox*>(QStringLiteral("portDialog.port"));
    QTest::keyClicks(portN->lineEdit(), QStringLiteral("12x"));
    QTest::keyClick(portN->lineEdit(), Qt::Key_Backspace);
    QCOMPARE(portN->currentText(), QStringLiteral("0"));

    // Emptied with the mouse or Delete: the conversion fails, the window stays.
    portN->lineEdit()->selectAll();
    QTest::keyClick(portN->lineEdit(), Qt::Key_Delete);
    QCOMPARE(portN->currentText(), QString());
    dialog.findChild<QPushButton*>(QStringLiteral("portDialog.ok"))->click();
    QCOMPARE(dialogs.errors, QStringList{"'' is not a valid integer value"});
    QVERIFY(dialog.isVisible());
    QCOMPARE(link.portNumber(), 0);
}

void TestReaderWindows::portDialogShowsDevice()
{
    Session session;
    ReaderLink& link = session.reader();
    PortDialog dialog(link);
    dialog.setDeviceLister([] { return QStringList{"/dev/ttyUSB0", "/dev/ttyS0"}; });
    dialog.show();
    auto* portN = dialog.findChild<QComboBox*>(QStringLiteral("portDialog.port"));
    auto* device = dialog.findChild<QLabel*>(QStringLiteral("portDialog.device"));
    QCOMPARE(device->text(), QStringLiteral("нет устройства")); // COM0
    portN->setCurrentIndex(2);
    QCOMPARE(device->text(), QStringLiteral("/dev/ttyUSB0"));
    portN->setCurrentIndex(3);
    QCOMPARE(device->text(), QStringLiteral("нет устройства"));
}

void TestReaderWindows::logWindowFollowsTheLog()
{
    Project project;
    project.appendLog(QStringLiteral("10:00:00 before"));
    ReaderLogWindow form(project);
    project.appendLog(QStringLiteral("10:00:01 after"));
    QCOMPARE(form.windowTitle(), QStringLiteral("Обмен с ридером"));
    QCOMPARE(form.logView()->toPlainText(), QStringLiteral("10:00:00 before\n10:00:01 after"));
}

void TestReaderWindows::goWithPortZero()
{
    App app;
    QVERIFY(app.controls && app.startButton && app.stopButton && app.connectionLabel);
    QTest::mouseClick(app.startButton, Qt::LeftButton);
    QCOMPARE(app.dialogs.errors, QStringList{"Error opening port COM0"});
    QVERIFY(app.startButton->isEnabled());
    QVERIFY(app.stopButton->isHidden());
    QVERIFY(app.project.readerLog().isEmpty());
    QCOMPARE(app.connectionLabel->text(), QStringLiteral("Нет"));
}

void TestReaderWindows::acquisitionThroughTheWindow()
{
    App app;
    app.useSimulator();
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            app.project.plateLayout().setCell(col, row, QStringLiteral("1.1"));
    QString labelDuringData;
    QColor colourDuringData;
    app.lockstep->inPause([&](int, int, int index) {
        if (index == 7) { // the third pass of the poll: two columns in
            labelDuringData = app.connectionLabel->text();
            colourDuringData = app.connectionColour();
        }
    });
    QSignalSpy ended(&app.link, &ReaderLink::finished);
    QTest::mouseClick(app.startButton, Qt::LeftButton); // returns at once
    QVERIFY(!app.startButton->isEnabled() && app.stopButton->isVisible());
    QVERIFY(ended.wait(60000));
    QVERIFY(app.dialogs.errors.isEmpty());
    QCOMPARE(labelDuringData, QStringLiteral("Установлено"));
    QCOMPARE(colourDuringData, QColor(0, 128, 0));
    QCOMPARE(app.connectionLabel->text(), QStringLiteral("Нет"));
    QCOMPARE(app.connectionColour(), QColor(255, 0, 0));
    QVERIFY(app.startButton->isEnabled());
    QVERIFY(app.stopButton->isHidden());
    QCOMPARE(app.project.densityTable().cell(12, 8), QString::fromStdString(sim::plateValue(12, 8, 1)));
    QVERIFY(app.portFree());
}

void TestReaderWindows::stopButton()
{
    sim::Options silent;
    silent.mode = sim::Options::Mode::Silent;
    App app(silent);
    app.useSimulator();
    const QStringList before = app.project.densityTable().columnMajorTexts();
    QSignalSpy ended(&app.link, &ReaderLink::finished);
    app.afterTheFirstPause([&] { QTest::mouseClick(app.stopButton, Qt::LeftButton); });
    QTest::mouseClick(app.startButton, Qt::LeftButton);
    QVERIFY(ended.wait(60000));
    QCOMPARE(ended.first().first().value<AcquisitionEnd>(), AcquisitionEnd::Stopped);
    QVERIFY(app.dialogs.errors.isEmpty());
    QVERIFY(app.startButton->isEnabled());
    QVERIFY(app.stopButton->isHidden());
    QCOMPARE(app.project.densityTable().columnMajorTexts(), before);
    QVERIFY(app.portFree());
}

void TestReaderWindows::windowLiveAndPlateLockedDuringRead()
{
    // The real pauses, save the long one after "Z", stretched to a minute.
    // The event loop turns inside every pause: what it runs at a pause's
    // start finds the link still in that pause (its port holding the replies
    // back, no later pause begun), and well before the minute is out, when the
    // window takes typing and "Прервать".
    App app;
    const int longPause = 60000;
    app.useSimulator([&](int ms) { return ms == 3800 ? longPause : ms; });
    TextGrid& densities = app.project.densityTable();
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            densities.setCell(col, row, QStringLiteral("0,5"));
    const QStringList before = densities.columnMajorTexts();

    auto* fill = app.window.layoutWindow()->findChild<QPushButton*>(QStringLiteral("layout.fill"));
    auto* samples = app.window.layoutWindow()->findChild<QWidget*>(QStringLiteral("layout.samples"));
    auto* kit = app.window.projectWindow()->findChild<QComboBox*>(QStringLiteral("project.kit"));
    auto* open = app.window.findChild<QAction*>(QStringLiteral("menu.file.open"));
    auto* densityGrid = app.window.calculationWindow()->findChild<GridView*>(QStringLiteral("calc.densities"));
    const auto commandsLive = [&] {
        return QList<bool>{fill->isEnabled(), samples->isEnabled(), kit->isEnabled(), open->isEnabled()};
    };
    // A character typed into the grid opens the cell editor, if typing is on;
    // Return in the editor commits it (through a queued call).
    const auto typeIntoA1 = [&](const QString& text) {
        densityGrid->setCurrentIndex(densities.index(1, 1));
        test::typeText(densityGrid, text);
        for (QLineEdit* editor : densityGrid->findChildren<QLineEdit*>())
            if (editor->isVisible())
                QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    };

    QElapsedTimer sinceStart;
    qint64 longPauseEnteredAfter = -1;
    int pausesTurnedIn = 0;
    std::vector<std::string> commandsSent;
    QList<bool> liveDuring;
    QString typedDuring;
    QList<bool> liveAfterStop;
    bool lockedAfterStop = true;
    QStringList densitiesAfterStop;
    app.lockstep->inPause([&](int ms, int, int index) {
        const SerialPort* port = app.link.readerPort();
        if (port && port->holdingDeliveries() && app.lockstep->pausesBegun() == index + 1)
            ++pausesTurnedIn;
        if (ms != 3800)
            return;
        longPauseEnteredAfter = sinceStart.elapsed();
        commandsSent = app.reader.commands();
        liveDuring = commandsLive();
        typeIntoA1(QStringLiteral("9"));
        typedDuring = densities.cell(1, 1);
        QTest::mouseClick(app.stopButton, Qt::LeftButton);
        // At once: no event processed since the click.
        liveAfterStop = commandsLive();
        lockedAfterStop = app.project.plateLocked();
        densitiesAfterStop = densities.columnMajorTexts();
    });

    QVERIFY(QTest::qWaitForWindowExposed(&app.window)); // the first paint is no acquisition's
    QSignalSpy ended(&app.link, &ReaderLink::finished);
    sinceStart.start();
    QTest::mouseClick(app.startButton, Qt::LeftButton);
    QVERIFY(ended.wait(2 * longPause));

    // Stopped inside the long pause: "Z" acknowledged, no "X 0" yet.
    QCOMPARE(commandsSent, (std::vector<std::string>{"E", "J 12", "Z"}));
    QCOMPARE(pausesTurnedIn, 5); // after "E", before "J 12", after "J 12", after "Z", the long one
    QVERIFY(longPauseEnteredAfter >= 0 && longPauseEnteredAfter < longPause);
    QCOMPARE(liveDuring, (QList<bool>{false, false, false, false}));
    QCOMPARE(typedDuring, QStringLiteral("0,5"));
    QCOMPARE(liveAfterStop, (QList<bool>{true, true, true, true}));
    QVERIFY(!lockedAfterStop);
    QCOMPARE(densitiesAfterStop, before);
    QVERIFY(app.portFree());

    // Typing reaches the densities again.
    typeIntoA1(QStringLiteral("7"));
    QCOMPARE(densities.cell(1, 1), QStringLiteral("7"));
}

void TestReaderWindows::lateErrorInTheErrorBox()
{
    // The reader hangs up during the poll: the "X 0" that cannot be written
    // ends the acquisition inside a timer, and its message reaches the same
    // error box as an error at the start.
    sim::Options hangUp;
    hangUp.mode = sim::Options::Mode::HangUp;
    hangUp.hangUpAfterColumns = 6;
    App app(hangUp);
    app.useSimulator();
    auto* fill = app.window.layoutWindow()->findChild<QPushButton*>(QStringLiteral("layout.fill"));
    const QStringList before = app.project.densityTable().columnMajorTexts();
    QSignalSpy ended(&app.link, &ReaderLink::finished);
    QTest::mouseClick(app.startButton, Qt::LeftButton);
    QVERIFY(app.dialogs.errors.isEmpty()); // the start went well
    QVERIFY(ended.wait(60000));
    QCOMPARE(app.dialogs.errors, QStringList{"Error writing port COM0"});
    QCOMPARE(app.project.densityTable().columnMajorTexts(), before);
    QVERIFY(app.startButton->isEnabled());
    QVERIFY(app.stopButton->isHidden());
    QVERIFY(fill->isEnabled());
    QVERIFY(!app.project.plateLocked());
}

void TestReaderWindows::closingDuringAcquisition()
{
    // Closing the main window stops the acquisition, which releases the port
    // and returns, so that the application's loop can end.
    sim::Options silent;
    silent.mode = sim::Options::Mode::Silent;
    App app(silent);
    app.useSimulator();
    // As in the application: Go clicked from the running loop, the window
    // closed during the acquisition; the loop must then end by itself.
    QTimer::singleShot(0, [&] { QTest::mouseClick(app.startButton, Qt::LeftButton); });
    app.afterTheFirstPause([&] { app.window.close(); });
    QTimer::singleShot(60000, [&] { // a hang fails the test
        app.link.stop();
        QApplication::exit(99);
    });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!app.window.isVisible());
    QVERIFY(!app.link.acquiring());
    QVERIFY(!app.link.readerPort());
    QVERIFY(app.portFree());
}

void TestReaderWindows::logWindowReachable()
{
    App app;
    auto* logWindow = app.window.readerLogWindow();
    QVERIFY(!logWindow->isVisible());
    app.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&app.window));
    QTest::keySequence(&app.window, QKeySequence(ReaderControls::LogShortcut));
    QVERIFY(logWindow->isVisible());
    logWindow->hide();
    QTest::mouseClick(app.connectionLabel, Qt::LeftButton);
    QVERIFY(logWindow->isVisible());
}

void TestReaderWindows::diagnosticControls()
{
    App app;
    app.useSimulator();
    auto* openPortButton = app.window.findChild<QPushButton*>(QStringLiteral("main.diagnostics.open"));
    auto* sendButton = app.window.findChild<QPushButton*>(QStringLiteral("main.diagnostics.send"));
    auto* commandEdit = app.window.findChild<QLineEdit*>(QStringLiteral("main.diagnostics.command"));
    QVERIFY(openPortButton->isHidden() && sendButton->isHidden() && commandEdit->isHidden());

    sendButton->click(); // no port: nothing happens
    QVERIFY(app.reader.received().empty());

    int openedNumber = -1;
    auto opener = [&](int number) {
        openedNumber = number;
        return std::make_unique<SerialPort>(QString::fromStdString(app.reader.devicePath()), comPortName(number), 9600);
    };
    app.link.setPortOpener(opener);
    app.link.setPortNumber(4);
    openPortButton->click();
    QCOMPARE(openedNumber, 1); // COM1 whatever the port number
    commandEdit->setText(QStringLiteral("E"));
    sendButton->click();
    QTRY_VERIFY(app.project.readerLog().join(QLatin1Char('\n')).contains(QStringLiteral(" Инициализация успешно ...")));
    QCOMPARE(app.reader.received(), std::string("E\n\r"));

    // Again on the held COM1: this port refuses a second open.
    openPortButton->click();
    QCOMPARE(app.dialogs.errors, QStringList{"Error opening port COM1"});
}

QTEST_MAIN(TestReaderWindows)
#include "tst_readerwindows.moc"
