#include "gui/app/texthandler.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace pleq;

// "Протокол" opens result.txt in the desktop's viewer only where the desktop
// names one; a real xdg-mime program answers on a PATH of the test's own.
class TestTextHandler : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void handler_data();
    void handler();
};

void TestTextHandler::handler_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("script"); // empty: no xdg-mime on the PATH
    QTest::addColumn<bool>("present");
    QTest::newRow("a viewer named") << QByteArray("#!/bin/sh\necho org.example.Viewer.desktop\n") << true;
    QTest::newRow("none named") << QByteArray("#!/bin/sh\necho\n") << false;
    QTest::newRow("query fails") << QByteArray("#!/bin/sh\nexit 4\n") << false;
    QTest::newRow("no xdg-mime") << QByteArray() << false;
    QTest::newRow("hangs") << QByteArray("#!/bin/sh\nexec /bin/sleep 30\n") << false;
    // clang-format on
}

void TestTextHandler::handler()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, present);
    QTemporaryDir dir;
    if (!script.isEmpty()) {
        QFile tool(dir.filePath(QStringLiteral("xdg-mime")));
        QVERIFY(tool.open(QIODevice::WriteOnly));
        tool.write(script);
        tool.close();
        tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", dir.path().toLocal8Bit());
    const bool found = textFileHandlerPresent();
    qputenv("PATH", path);
    QCOMPARE(found, present);
}

QTEST_GUILESS_MAIN(TestTextHandler)
#include "tst_texthandler.moc"
