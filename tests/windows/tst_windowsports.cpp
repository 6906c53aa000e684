#include "core/reader/portnames.h"
#include "core/reader/serialport.h"
#include "gui/app/texthandler.h"
#include "gui/reader/portdialog.h"
#include "session/session.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <windows.h>

using namespace pleq;

// The COM ports as Windows names them, under Wine: COM42 leads to a file
// that is no serial line (the set-up's WINEPREFIX/dosdevices/com42) and is
// announced in the registry as a driver announces its port (here by the test
// itself); COM43 does not exist.
class TestWindowsPorts : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void deviceOfNumber_data();
    void deviceOfNumber();
    void definedPortsListed();
    void openFailures_data();
    void openFailures();
    void dialogNamesThePorts();
    void textViewer_data();
    void textViewer();
};

namespace {

const wchar_t* const SerialComm = L"HARDWARE\\DEVICEMAP\\SERIALCOMM";
const wchar_t* const TestValue = L"\\Device\\PleqTest42";

} // namespace

void TestWindowsPorts::initTestCase()
{
    HKEY key = nullptr;
    QCOMPARE(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, SerialComm, 0, nullptr, REG_OPTION_VOLATILE, KEY_SET_VALUE, nullptr,
                               &key, nullptr),
             LONG(ERROR_SUCCESS));
    const wchar_t port[] = L"COM42";
    QCOMPARE(::RegSetValueExW(key, TestValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(port), sizeof port),
             LONG(ERROR_SUCCESS));
    ::RegCloseKey(key);
}

void TestWindowsPorts::cleanupTestCase()
{
    ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, SerialComm, TestValue);
}

void TestWindowsPorts::deviceOfNumber_data()
{
    // clang-format off
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("device");
    QTest::newRow("COM1") << 1 << "\\\\.\\COM1";
    QTest::newRow("COM10 and above") << 12 << "\\\\.\\COM12";
    QTest::newRow("the last") << 255 << "\\\\.\\COM255";
    QTest::newRow("COM0 names nothing") << 0 << QString();
    QTest::newRow("past the last") << 256 << QString();
    // clang-format on
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
    // clang-format off
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("message");
    QTest::newRow("no such port") << 43 << "Error opening port COM43";
    QTest::newRow("a name with no serial line") << 42 << "Error setting port COM42 state";
    // clang-format on
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
    Session session;
    PortDialog dialog(session.reader());
    dialog.show();
    auto* overview = dialog.findChild<QLabel*>(QStringLiteral("portDialog.overview"));
    auto* device = dialog.findChild<QLabel*>(QStringLiteral("portDialog.device"));
    auto* number = dialog.findChild<QComboBox*>(QStringLiteral("portDialog.port"));
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

void TestWindowsPorts::textViewer_data()
{
    // clang-format off
    QTest::addColumn<bool>("associated");
    QTest::newRow(".txt opens in Notepad") << true;
    QTest::newRow(".txt names no program") << false;
    // clang-format on
}

void TestWindowsPorts::textViewer()
{
    // "Протокол" opens result.txt in the program the associations name for
    // ".txt", and shows its own window where they name none. Wine's prefix
    // knows Notepad as "txtfile"; the test ties ".txt" to it or not.
    QFETCH(bool, associated);
    const wchar_t* const txt = L"Software\\Classes\\.txt";
    if (associated) {
        HKEY key = nullptr;
        QCOMPARE(::RegCreateKeyExW(HKEY_LOCAL_MACHINE, txt, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                 LONG(ERROR_SUCCESS));
        const wchar_t progId[] = L"txtfile";
        QCOMPARE(::RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(progId), sizeof progId),
                 LONG(ERROR_SUCCESS));
        ::RegCloseKey(key);
    } else {
        ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, txt);
    }
    QCOMPARE(textFileHandlerPresent(), associated);
}

QTEST_MAIN(TestWindowsPorts)
#include "tst_windowsports.moc"
