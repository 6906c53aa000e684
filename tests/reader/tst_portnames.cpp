#include "core/reader/portnames.h"

#include <QTest>

using namespace pleq;

class TestPortNames : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void device_data();
    void device();
};

void TestPortNames::device_data()
{
    // clang-format off
    QTest::addColumn<QStringList>("devices");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("expected");

    const QStringList mixed = {"/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyS1", "/dev/ttyUSB0", "/dev/ttyS0"};
    QTest::newRow("COM0 names nothing") << mixed << 0 << QString();
    QTest::newRow("negative") << mixed << -3 << QString();
    QTest::newRow("ttyS first") << mixed << 1 << "/dev/ttyS0";
    QTest::newRow("second ttyS") << mixed << 2 << "/dev/ttyS1";
    QTest::newRow("then ttyUSB") << mixed << 3 << "/dev/ttyUSB0";
    QTest::newRow("then ttyACM") << mixed << 5 << "/dev/ttyACM0";
    QTest::newRow("past the end") << mixed << 6 << QString();
    QTest::newRow("no devices") << QStringList() << 1 << QString();
    // A missing ttyS1 (no UART) leaves no hole: the next device moves up.
    QTest::newRow("gap closes") << QStringList{"/dev/ttyS0", "/dev/ttyS2", "/dev/ttyUSB0"} << 2 << "/dev/ttyS2";
    QTest::newRow("by number, not text") << QStringList{"/dev/ttyS10", "/dev/ttyS9", "/dev/ttyS2"} << 3 << "/dev/ttyS10";
    QTest::newRow("only a USB adapter") << QStringList{"/dev/ttyUSB0"} << 1 << "/dev/ttyUSB0";
    QTest::newRow("other nodes ignored")
        << QStringList{"/dev/tty0", "/dev/ttyS", "/dev/ttySx1", "/dev/pts/3", "/dev/ttyS01", "/dev/ttyACM3"} << 1
        << "/dev/ttyACM3";
    QTest::newRow("duplicates count once") << QStringList{"/dev/ttyS0", "/dev/ttyS0", "/dev/ttyUSB0"} << 2
                                           << "/dev/ttyUSB0";
    // clang-format on
}

void TestPortNames::device()
{
    QFETCH(QStringList, devices);
    QFETCH(int, number);
    QFETCH(QString, expected);
    QCOMPARE(comPortDevice(number, devices), expected);
    QCOMPARE(comPortName(number), QStringLiteral("COM") + QString::number(number));
}

QTEST_GUILESS_MAIN(TestPortNames)
#include "tst_portnames.moc"
