#include "recordingview.h"

#include "core/model/project.h"
#include "core/reader/acquisition.h"
#include "core/reader/replies.h"

#include <QTest>

using namespace pleq;

class TestReplies : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void frames_data();
    void frames();
    void onRead_data();
    void onRead();
    void logLineTime();
    void parsing_data();
    void parsing();
};

void TestReplies::frames_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("initialise") << "E" << QByteArray::fromHex("450A0D");
    QTest::newRow("columns") << "J 12" << QByteArray::fromHex("4A2031320A0D");
    QTest::newRow("set-up") << "Z" << QByteArray::fromHex("5A0A0D");
    QTest::newRow("request data") << "X 0" << QByteArray::fromHex("5820300A0D");
    QTest::newRow("typed in the test field") << "" << QByteArray::fromHex("0A0D");
}

void TestReplies::frames()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QCOMPARE(commandFrame(command), bytes);
}

void TestReplies::onRead_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("receivedData");
    QTest::addColumn<ExchangeState>("exchangeState"); // after the last chunk
    QTest::addColumn<bool>("connected");        // the label turned "Установлено"

    const ExchangeState received = ExchangeState::Received;
    const ExchangeState untouched = ExchangeState::Unset;
    QTest::newRow("initialisation reply as one chunk")
        << QList<QByteArray>{QByteArray::fromHex("300D0A4F4B0D0A")} << QStringList{" Инициализация успешно ..."}
        << "" << received << false;
    QTest::newRow("the same seven bytes as two chunks")
        << QList<QByteArray>{QByteArray::fromHex("30"), QByteArray::fromHex("0D0A4F4B0D0A")}
        << QStringList{" Получены данные : ", " Получены данные : OK", " Данные к обработке : OK", " Объем : 6 байт"}
        << "OK" << received << true;
    QTest::newRow("acknowledgement") << QList<QByteArray>{"OK\r\n"} << QStringList{" Команда выполнена прибором ..."}
                                     << "" << received << false;
    QTest::newRow("other bytes, same code string")
        << QList<QByteArray>{QByteArray::fromHex("0761050D0A")} << QStringList{" Команда выполнена прибором ..."} << ""
        << received << false;
    QTest::newRow("acknowledgement split ends nothing")
        << QList<QByteArray>{"O", "K\r\n"} << QStringList{" Получены данные : ", " Получены данные : "} << ""
        << untouched << true;
    QTest::newRow("first byte of a data chunk dropped")
        << QList<QByteArray>{"0.123 0.456\r\n", "1.789"} << QStringList{" Получены данные : .123 0.456", " Получены данные : .789"}
        << ".123 0.456.789" << untouched << true;
    QTest::newRow("OK appended once")
        << QList<QByteArray>{"0 1.111OK\r\n", "0 2.222 OK\r\n"}
        << QStringList{" Получены данные :  1.111OK", " Данные к обработке :  1.111OK", " Объем : 11 байт",
                       " Получены данные :  2.222 OK", " Данные к обработке :  1.111OK", " Объем : 12 байт"}
        << " 1.111OK" << received << true;
    QTest::newRow("data after the end mark not kept")
        << QList<QByteArray>{"0 1.111\r\nOK\r\n", "0 9.999\r\n"}
        << QStringList{" Получены данные :  1.111OK", " Данные к обработке :  1.111OK", " Объем : 13 байт",
                       " Получены данные :  9.999"}
        << " 1.111OK" << received << true;
    QTest::newRow("Windows-1251 text") << QList<QByteArray>{QByteArray::fromHex("30CEE8")}
                                       << QStringList{" Получены данные : Ои"} << "Ои" << untouched << true;
}

void TestReplies::onRead()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QStringList, log);
    QFETCH(QString, receivedData);
    QFETCH(ExchangeState, exchangeState);
    QFETCH(bool, connected);

    Project project;
    RecordingView view;
    ReaderLink link(project, view);
    link.setClock(testTime);
    for (const QByteArray& chunk : chunks)
        link.onReceived(nullptr, chunk);

    bool timed = false;
    QCOMPARE(logMessages(project, &timed), log);
    QVERIFY(timed);
    QCOMPARE(link.receivedData(), receivedData);
    QCOMPARE(link.exchangeState(), exchangeState);
    QCOMPARE(view.shown.contains(QStringLiteral("Установлено")), connected);
    QVERIFY(!view.shown.contains(QStringLiteral("Нет")));
}

void TestReplies::logLineTime()
{
    // The long time format without its time zone; the same in both test locales.
    QCOMPARE(logTimeText(QTime(14, 5, 9)), QStringLiteral("14:05:09"));
    QCOMPARE(logTimeText(QTime(7, 0, 3)), QStringLiteral("07:00:03"));
}

void TestReplies::parsing_data()
{
    QTest::addColumn<QString>("data");
    QTest::addColumn<QStringList>("usedWells");  // the wells the layout uses, others " - "
    QTest::addColumn<QStringList>("expected");   // "A1=text" for the wells looked at

    QTest::newRow("values with blanks and the end mark")
        << "0.123 0.456OK 1.234" << QStringList{"A1", "B1", "C1", "D1", "A2"}
        << QStringList{"A1=0.123", "B1=0.456", "C1=1.234", "D1=", "A2=", "E1=old"};
    QTest::newRow("an empty well consumes its five characters")
        << "1.1112.2223.333" << QStringList{"A1", "C1"} << QStringList{"A1=1.111", "B1=old", "C1=3.333"};
    QTest::newRow("no end mark: parsed from the first character")
        << "0.5000.600" << QStringList{"A1", "B1"} << QStringList{"A1=0.500", "B1=0.600"};
    QTest::newRow("only the first OK removed")
        << "0.1OK23OK4.567" << QStringList{"A1", "B1"} << QStringList{"A1=0.123", "B1=OK4.5"};
    QTest::newRow("characters taken as they come")
        << "abcde-1.2 3456789" << QStringList{"A1", "B1", "C1"} << QStringList{"A1=abcde", "B1=-1.23", "C1=45678"};
    QTest::newRow("a layout using only column 1 still consumes column by column")
        << QString(8 * 5, QLatin1Char('1')) + QStringLiteral("2.222") << QStringList{"A1", "H1"}
        << QStringList{"A1=11111", "H1=11111", "A2=old"};
}

void TestReplies::parsing()
{
    QFETCH(QString, data);
    QFETCH(QStringList, usedWells);
    QFETCH(QStringList, expected);

    const auto cellOf = [](const QString& well) {
        return std::pair<int, int>(well.mid(1).toInt(), well.at(0).unicode() - 'A' + 1);
    };
    Project project;
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            project.densityTable().setCell(col, row, QStringLiteral("old"));
    for (const QString& well : usedWells) {
        const auto [col, row] = cellOf(well);
        project.plateLayout().setCell(col, row, QStringLiteral("1.1"));
    }
    parseReceivedData(data, project);
    for (const QString& e : expected) {
        const QString well = e.section(QLatin1Char('='), 0, 0);
        const auto [col, row] = cellOf(well);
        QCOMPARE(well + QLatin1Char('=') + project.densityTable().cell(col, row), e);
    }
    // Headers untouched.
    QCOMPARE(project.densityTable().cell(1, 0), QStringLiteral("1"));
    QCOMPARE(project.densityTable().cell(0, 1), QStringLiteral("A"));
}

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
