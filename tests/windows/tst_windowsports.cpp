#include "core/model/project.h"
#include "core/reader/portnames.h"
#include "core/reader/serialport.h"
#include "gui/reader/portdialog.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

using namespace pleq;

// The COM ports as Windows names them, under Wine: COM42 is defined by the
// test's set-up (WINEPREFIX/dosdevices/com42, a name that leads to no serial
// line), COM43 is not defined at all.
class TestWindowsPorts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void deviceOfNumber_data();
    void deviceOfNumber();
    void definedPortsListed();
    void openFailures_data();
    void openFailures();
    void dialogNamesThePorts();
};

void TestWindowsPorts::deviceOfNumber_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "\\\\.\\COM1";
    QTest::newRow("COM10 and above") << 12 << "\\\\.\\COM12";
    QTest::newRow("the last") << 255 << "\\\\.\\COM255";
    QTest::newRow("COM0 names nothing") << 0 << QString();
    QTest::newRow("past the last") << 256 << QString();
}

void TestWindowsPorts::deviceOfNumber()
{
    QFETCH(int, number);
    QFETCH(QString, device);
    // Listed or not, a number opens its port: the open tells whether it exists.
    QCOMPARE(serialDeviceOf(number, {}), device);
}

void TestWindowsPorts::definedPortsListed()
{
    const QStringList devices = existingSerialDevices();
    QVERIFY2(devices.contains(QStringLiteral("\\\\.\\COM42")), qPrintable(devices.join(QLatin1Char(' '))));
    QVERIFY(!devices.contains(QStringLiteral("\\\\.\\COM43")));
    QCOMPARE(serialPortsOverview({QStringLiteral("\\\\.\\COM3"), QStringLiteral("\\\\.\\COM12")}),
             QStringLiteral("Порты в системе: COM3, COM12"));
    QCOMPARE(serialPortsOverview({}), QStringLiteral("Порты в системе: не найдены"));
}

void TestWindowsPorts::openFailures_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such port") << 43 << "Error opening port COM43";
    QTest::newRow("a name with no serial line") << 42 << "Error setting port COM42 state";
}

void TestWindowsPorts::openFailures()
{
    QFETCH(int, number);
    QFETCH(QString, message);
    // Twice: a failed open leaves nothing open that would hold the port.
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            SerialPort port(number, 9600);
            QFAIL("the port opened");
        } catch (const PortError& e) {
            QCOMPARE(e.message(), message);
        }
    }
}

void TestWindowsPorts::dialogNamesThePorts()
{
    Project project;
    PortDialog dialog(project);
    dialog.show();
    auto* overview = dialog.findChild<QLabel*>(QStringLiteral("PortOverview"));
    auto* device = dialog.findChild<QLabel*>(QStringLiteral("PortDevice"));
    auto* number = dialog.findChild<QComboBox*>(QStringLiteral("PortN"));
    QVERIFY(overview && device && number);
    QVERIFY(overview->isVisible());
    QVERIFY2(overview->text().startsWith(QStringLiteral("Порты в системе: ")), qPrintable(overview->text()));
    QVERIFY2(overview->text().contains(QStringLiteral("COM42")), qPrintable(overview->text()));
    number->setEditText(QStringLiteral("42"));
    QCOMPARE(device->text(), QStringLiteral("\\\\.\\COM42"));
    number->setEditText(QStringLiteral("43"));
    QCOMPARE(device->text(), QStringLiteral("\\\\.\\COM43 (не найден)"));
    number->setEditText(QStringLiteral("0"));
    QCOMPARE(device->text(), QStringLiteral("нет устройства"));
}

QTEST_MAIN(TestWindowsPorts)
#include "tst_windowsports.moc"
