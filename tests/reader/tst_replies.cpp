#include "recordingview.h"

#include "core/model/project.h"
#include "core/reader/acquisition.h"
#include "core/reader/replies.h"

#include <QLocale>
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
    void wholePlateHoweverCut_data();
    void wholePlateHoweverCut();
    void damagedPlateNeverShifted_data();
    void damagedPlateNeverShifted();
    void refused_data();
    void refused();
    void writtenIntoTheUsedWells();
};

void TestReplies::frames_data()
{
    // clang-format off
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("initialise") << "E" << QByteArray::fromHex("450A0D");
    QTest::newRow("columns") << "J 12" << QByteArray::fromHex("4A2031320A0D");
    QTest::newRow("set-up") << "Z" << QByteArray::fromHex("5A0A0D");
    QTest::newRow("request data") << "X 0" << QByteArray::fromHex("5820300A0D");
    QTest::newRow("typed in the test field") << "" << QByteArray::fromHex("0A0D");
    // clang-format on
}

void TestReplies::frames()
{
    QFETCH(QString, command);
    QFETCH(QByteArray, bytes);
    QCOMPARE(commandFrame(command), bytes);
}

void TestReplies::onRead_data()
{
    // clang-format off
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
    // clang-format on
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
    // The system locale's long time format without its time zone: 24 hours
    // in the test locales on Linux and in Russian; the C locale is US English
    // on Windows, with its 12 hours.
    if (QLocale::system().name() == QLatin1String("en_US")) {
        QCOMPARE(logTimeText(QTime(14, 5, 9)), QStringLiteral("2:05:09 PM"));
        QCOMPARE(logTimeText(QTime(7, 0, 3)), QStringLiteral("7:00:03 AM"));
    } else {
        QCOMPARE(logTimeText(QTime(14, 5, 9)), QStringLiteral("14:05:09"));
        QCOMPARE(logTimeText(QTime(7, 0, 3)), QStringLiteral("07:00:03"));
    }
}

namespace {

// One plate as the reader sends it: a reply per "X 0", each its status
// character, CR LF, the column's eight densities each after a blank, CR LF;
// the last followed by "OK" CR LF, and the acknowledgement of the extra "X 0".
const QList<QByteArray> Columns = {
    " 1.776 2.753 2.586 1.027 3.416 0.105 1.326 3.972", " 3.421 1.204 2.640 2.336 3.094 3.414 0.211 1.035",
    " 1.096 0.194 2.710 2.312 2.167 0.927 0.273 1.879", " 1.587 1.057 0.818 2.286 1.711 2.614 3.928 1.944",
    " 2.569 3.160 1.415 0.706 1.798 3.353 1.119 0.531", " 1.446 1.176 0.117 2.002 2.688 3.975 3.543 0.855",
    " 1.120 3.570 2.012 0.587 0.095 2.263 0.979 2.679", " 0.806 0.199 1.525 0.160 0.947 1.913 2.895 1.429",
    " 2.111 3.101 1.245 1.879 1.099 2.128 3.907 1.663", " 0.459 3.003 1.193 2.414 0.930 2.211 2.637 2.147",
    " 0.004 2.063 3.382 2.405 3.829 0.068 3.216 0.717", " 0.944 2.731 0.183 2.301 0.002 0.216 1.633 3.705",
};

QList<QByteArray> plateReplies(const QList<QByteArray>& columns = Columns)
{
    QList<QByteArray> replies;
    for (const QByteArray& column : columns)
        replies << "0\r\n" + column + "\r\n";
    replies.last() += "OK\r\n";
    replies << "OK\r\n";
    return replies;
}

// The plate's densities column by column, a blank before each, as in Columns.
QByteArray columnsOf(const QStringList& densities)
{
    QByteArray text;
    for (qsizetype i = 0; i < densities.size(); ++i)
        text += (i % 8 == 0 && i > 0 ? "|" : "") + (" " + densities.at(i)).toLatin1();
    return text;
}

// The bytes handed to the receive handler chunk by chunk, then read as a plate.
ReaderPlate received(const QList<QByteArray>& chunks)
{
    Project project;
    RecordingView view;
    ReaderLink link(project, view);
    for (const QByteArray& chunk : chunks)
        link.onReceived(nullptr, chunk);
    return readPlate(link.receivedBytes());
}

// Every way of cutting the bytes into chunks of one kind.
enum class Cut { AtEveryPosition, EverySize, EveryReplyAtOneOffset, RepliesPairwise };

QList<QList<QByteArray>> chunkings(Cut cut, const QList<QByteArray>& replies)
{
    const QByteArray all = replies.join();
    QList<QList<QByteArray>> result;
    switch (cut) {
    case Cut::AtEveryPosition:
        for (qsizetype at = 1; at < all.size(); ++at)
            result.append({all.left(at), all.mid(at)});
        break;
    case Cut::EverySize:
        for (qsizetype size = 1; size <= all.size(); ++size) {
            QList<QByteArray> chunks;
            for (qsizetype at = 0; at < all.size(); at += size)
                chunks << all.mid(at, size);
            result << chunks;
        }
        break;
    case Cut::EveryReplyAtOneOffset:
        // Each reply's tail arrives with the next reply's head.
        for (qsizetype offset = 1; offset < replies.first().size(); ++offset) {
            QList<QByteArray> chunks{QByteArray()};
            for (const QByteArray& reply : replies) {
                chunks.last() += reply.left(offset);
                chunks << reply.mid(offset);
            }
            result << chunks;
        }
        break;
    case Cut::RepliesPairwise:
        for (qsizetype first = 0; first < 2; ++first) {
            QList<QByteArray> chunks(replies.mid(0, first));
            for (qsizetype i = first; i < replies.size(); i += 2)
                chunks << replies.mid(i, 2).join();
            result << chunks;
        }
        break;
    }
    return result;
}

const QString RefusedEnd = QStringLiteral("Плотности не записаны, повторите чтение.");

} // namespace

void TestReplies::wholePlateHoweverCut_data()
{
    // clang-format off
    QTest::addColumn<Cut>("cut");
    QTest::newRow("in two chunks, cut at every position") << Cut::AtEveryPosition;
    QTest::newRow("in chunks of every size, one to all bytes") << Cut::EverySize;
    QTest::newRow("every reply cut at the same offset, its tail with the next reply's head")
        << Cut::EveryReplyAtOneOffset;
    QTest::newRow("two replies in each chunk") << Cut::RepliesPairwise;
    // clang-format on
}

void TestReplies::wholePlateHoweverCut()
{
    QFETCH(Cut, cut);
    const QByteArray expected = QList<QByteArray>(Columns).join('|');
    for (const QList<QByteArray>& chunks : chunkings(cut, plateReplies())) {
        const ReaderPlate plate = received(chunks);
        QVERIFY2(plate.error.isEmpty(), qPrintable(plate.error));
        QCOMPARE(columnsOf(plate.densities), expected);
    }
    // One reply per chunk, as a reader that keeps pace delivers them.
    QCOMPARE(columnsOf(received(plateReplies()).densities), expected);
}

void TestReplies::damagedPlateNeverShifted_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("damage"); // what replaces one byte
    QTest::newRow("a byte lost") << QByteArray();
    QTest::newRow("a byte doubled") << QByteArray("=");
    QTest::newRow("a byte garbled") << QByteArray("?");
    QTest::newRow("a blank put in") << QByteArray(" ");
    QTest::newRow("a line break put in") << QByteArray("\r\n");
    // clang-format on
}

void TestReplies::damagedPlateNeverShifted()
{
    // Whatever the damage and however the bytes are cut, the plate is read
    // exactly or refused: never a value that is not the reader's.
    QFETCH(QByteArray, damage);
    const QByteArray whole = plateReplies().join();
    const QByteArray expected = QList<QByteArray>(Columns).join('|');
    for (qsizetype at = 0; at < whole.size(); ++at) {
        QByteArray damaged = whole;
        damaged.replace(at, 1, damage == "=" ? whole.mid(at, 1).repeated(2) : damage);
        for (const qsizetype cut : {qsizetype(0), at, at + 1}) {
            const ReaderPlate plate = received({damaged.left(cut), damaged.mid(cut)});
            if (plate.error.isEmpty()) {
                QCOMPARE(columnsOf(plate.densities), expected);
            } else {
                QVERIFY2(plate.densities.isEmpty(), qPrintable(plate.error));
                QVERIFY2(plate.error.startsWith(QStringLiteral("Данные ридера не приняты: ")), qPrintable(plate.error));
                QVERIFY2(plate.error.endsWith(RefusedEnd), qPrintable(plate.error));
            }
        }
    }
}

void TestReplies::refused_data()
{
    // clang-format off
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("message");

    QList<QByteArray> lost = plateReplies();
    lost[0].replace("1.776", "1.76");
    QTest::newRow("a value lost a character")
        << lost.join()
        << "Данные ридера не приняты: строка «1.76 2.753 2.586 1.027 3.416 0…» не делится на значения по 5 знаков. "
           "Получено знаков без пробелов: 479 («1.762.7532.5861.0273.4160.1051…»). "
           "Плотности не записаны, повторите чтение.";
    QList<QByteArray> merged = plateReplies();
    merged[1].replace("0\r\n", "0");
    QTest::newRow("a status character run into its values")
        << merged.join()
        << "Данные ридера не приняты: строка «0 3.421 1.204 2.640 2.336 3.09…» не делится на значения по 5 знаков. "
           "Получено знаков без пробелов: 481 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QList<QByteArray> endInLine = plateReplies();
    endInLine[11] = "0\r\n" + Columns[11] + "OK\r\n";
    endInLine.removeLast();
    QTest::newRow("the end mark inside the last line")
        << endInLine.join()
        << "Данные ридера не приняты: нет строки «OK», которой ридер заканчивает данные. "
           "Получено знаков без пробелов: 482 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QByteArray unterminated = plateReplies().mid(0, 12).join();
    unterminated.chop(2);
    QTest::newRow("the end mark not yet ended by its line break")
        << unterminated
        << "Данные ридера не приняты: нет строки «OK», которой ридер заканчивает данные. "
           "Получено знаков без пробелов: 480 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QTest::newRow("a column missing")
        << plateReplies(Columns.mid(1)).join()
        << "Данные ридера не приняты: значений по 5 знаков: 88 вместо 96. "
           "Получено знаков без пробелов: 440 («3.4211.2042.6402.3363.0943.414…»). "
           "Плотности не записаны, повторите чтение.";
    QTest::newRow("a column twice")
        << plateReplies(QList<QByteArray>{Columns.first()} + Columns).join()
        << "Данные ридера не приняты: значений по 5 знаков: 104 вместо 96. "
           "Получено знаков без пробелов: 520 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QList<QByteArray> unreadable = plateReplies();
    unreadable[4].replace("1.798", "1.7-8");
    QTest::newRow("a value the calculation cannot read")
        << unreadable.join()
        << "Данные ридера не приняты: значение «1.7-8» лунки E5 не читается как плотность. "
           "Получено знаков без пробелов: 480 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QList<QByteArray> percent = plateReplies();
    percent[2].replace("1.096", "%1%2");
    QTest::newRow("placeholders in a line are shown as they came")
        << percent.join()
        << "Данные ридера не приняты: строка «%1%2 0.194 2.710 2.312 2.167 0…» не делится на значения по 5 знаков. "
           "Получено знаков без пробелов: 479 («1.7762.7532.5861.0273.4160.105…»). "
           "Плотности не записаны, повторите чтение.";
    QTest::newRow("only the end mark") << QByteArray("0\r\nOK\r\n")
                                       << "Данные ридера не приняты: значений по 5 знаков: 0 вместо 96. "
                                          "Получено знаков без пробелов: 0. Плотности не записаны, повторите чтение.";
    QTest::newRow("nothing") << QByteArray()
                             << "Данные ридера не приняты: нет строки «OK», которой ридер заканчивает данные. "
                                "Получено знаков без пробелов: 0. Плотности не записаны, повторите чтение.";
    // clang-format on
}

void TestReplies::refused()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, message);
    const ReaderPlate plate = readPlate(data);
    QCOMPARE(plate.error, message);
    QVERIFY(plate.densities.isEmpty());
}

void TestReplies::writtenIntoTheUsedWells()
{
    Project project;
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            project.densityTable().setCell(col, row, QStringLiteral("old"));
    project.plateLayout().setCell(1, 1, QStringLiteral("1.1"));
    project.plateLayout().setCell(1, 8, QStringLiteral("K+"));
    project.plateLayout().setCell(12, 8, QStringLiteral("2.1"));
    const ReaderPlate plate = readPlate(plateReplies().join());
    QVERIFY(plate.error.isEmpty());
    writeDensities(plate.densities, project);
    QCOMPARE(project.densityTable().cell(1, 1), QStringLiteral("1.776"));
    QCOMPARE(project.densityTable().cell(1, 8), QStringLiteral("3.972"));
    QCOMPARE(project.densityTable().cell(12, 8), QStringLiteral("3.705"));
    // An empty well keeps its text; the headers stay.
    QCOMPARE(project.densityTable().cell(1, 2), QStringLiteral("old"));
    QCOMPARE(project.densityTable().cell(12, 7), QStringLiteral("old"));
    QCOMPARE(project.densityTable().cell(1, 0), QStringLiteral("1"));
    QCOMPARE(project.densityTable().cell(0, 1), QStringLiteral("A"));
}

QTEST_GUILESS_MAIN(TestReplies)
#include "tst_replies.moc"
