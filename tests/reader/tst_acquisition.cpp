#include "acquisitionbench.h"

#include "core/layout/fill.h"

#include <QTest>



class TestAcquisition : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholePlateIntoTheUsedWells();
    void lateRepliesWithinThePauses();
    void portThatDoesNotOpen();
    void splitRepliesNotUnderstood();
    void silentReaderStopped();
    void garbageStopped();
    void hangUpMidPlate();
    void stopInThePauseEndsAtOnce();
    void secondAcquisitionAfterStop();
};

void TestAcquisition::wholePlateIntoTheUsedWells()
{
    Bench bench;
    fillPlate(bench.project); // kit 01, one sample: a few wells in use
    const TextGrid& layout = bench.project.plateLayout();
    int used = 0;
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            used += layout.cell(col, row) != Project::EmptyWell;
            bench.project.densityTable().setCell(col, row, QStringLiteral("k%1%2").arg(col).arg(row));
        }
    QVERIFY(used > 0 && used < 96);
    QList<bool> locks;
    QObject::connect(&bench.project, &Project::plateLockChanged, [&](bool locked) { locks << locked; });

    QVERIFY(bench.run());
    QCOMPARE(locks, (QList<bool>{true, false}));

    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row) {
            const QString expected = layout.cell(col, row) == Project::EmptyWell
                                         ? QStringLiteral("k%1%2").arg(col).arg(row)
                                         : simulated(col, row);
            QCOMPARE(bench.project.densityTable().cell(col, row), expected);
        }

    // The exchange on the wire: the fixed sequence, one "X 0" per column and
    // one more from the pass that handled the end mark.
    QByteArray expectedWire = "E\n\rJ 12\n\rZ\n\r";
    for (int i = 0; i < 13; ++i)
        expectedWire += "X 0\n\r";
    QCOMPARE(QByteArray::fromStdString(bench.reader.received()), expectedWire);

    bool timed = false;
    const QStringList log = logMessages(bench.project, &timed);
    QVERIFY(timed);
    QString data;
    QStringList expectedLog = {" Попытка инициализации ...", " Инициализация успешно ...",
                               " Определение количества столбцов ...", " Столбцов для сканирования:12",
                               " Команда выполнена прибором ...", " Команда выполнена прибором ..."};
    for (int col = 1; col <= 12; ++col) {
        QString column;
        for (int row = 1; row <= 8; ++row)
            column += QLatin1Char(' ') + simulated(col, row);
        if (col == 12)
            column += QStringLiteral("OK");
        data += column;
        expectedLog << QStringLiteral(" Получены данные : ") + column;
    }
    expectedLog << QStringLiteral(" Данные к обработке : ") + data << " Объем : 57 байт"
                << " Команда выполнена прибором ...";
    QCOMPARE(log, expectedLog);

    QCOMPARE(bench.view.shown.first(), QStringLiteral("running"));
    QVERIFY(bench.view.shown.contains(QStringLiteral("Установлено")));
    QCOMPARE(bench.view.shown.mid(bench.view.shown.size() - 2), (QStringList{"Нет", "idle"}));
    QVERIFY(!bench.link.readerPort());
    QVERIFY(!bench.link.acquiring());
}

void TestAcquisition::lateRepliesWithinThePauses()
{
    Options delayed;
    delayed.replyDelayMs = 25;
    Bench bench(delayed);
    bench.useEveryWell();
    QVERIFY(bench.run());
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            QCOMPARE(bench.project.densityTable().cell(col, row), simulated(col, row));
}

void TestAcquisition::portThatDoesNotOpen()
{
    Project project;
    RecordingView view;
    ReaderLink link(project, view); // the real port-name rule: COM0 names no device
    const QStringList before = project.densityTable().columnMajorTexts();
    QString message;
    try {
        link.start();
    } catch (const PortError& e) {
        message = e.message();
    }
    QCOMPARE(message, QStringLiteral("Error opening port COM0"));
    QVERIFY(!project.plateLocked());
    QVERIFY(project.readerLog().isEmpty());
    QCOMPARE(view.shown, (QStringList{"running", "Нет", "idle"}));
    QVERIFY(!link.acquiring());
    QCOMPARE(project.densityTable().columnMajorTexts(), before);
}

void TestAcquisition::splitRepliesNotUnderstood()
{
    // Replies are recognised only as whole chunks. Split after its first byte,
    // the initialisation reply still ends its wait as data with the text "OK";
    // the acknowledgement of "J 12" becomes "O" and "K" CR LF, which end
    // nothing: the acquisition waits until "Прервать", writing nothing.
    Options split;
    split.split = true;
    Bench bench(split);
    bench.useEveryWell();
    const QStringList before = bench.densities();
    bench.stopAfter(1000);
    QVERIFY(!bench.run());
    QCOMPARE(logMessages(bench.project),
             (QStringList{" Попытка инициализации ...", " Получены данные : ", " Получены данные : OK",
                          " Данные к обработке : OK", " Объем : 6 байт", " Определение количества столбцов ...",
                          " Столбцов для сканирования:12", " Получены данные : ", " Получены данные : "}));
    QCOMPARE(bench.reader.commands(), (std::vector<std::string>{"E", "J 12"}));
    QCOMPARE(bench.densities(), before);
    QVERIFY(!bench.link.readerPort());
}

void TestAcquisition::silentReaderStopped()
{
    Options silent;
    silent.mode = Options::Mode::Silent;
    Bench bench(silent);
    bench.useEveryWell();
    const QStringList before = bench.densities();
    bench.stopAfter(400);
    QVERIFY(!bench.run());
    QCOMPARE(bench.densities(), before);
    QCOMPARE(logMessages(bench.project), QStringList{" Попытка инициализации ..."});
    QCOMPARE(bench.reader.commands(), std::vector<std::string>{"E"});
    QVERIFY(!bench.link.readerPort());
    QCOMPARE(bench.view.shown, (QStringList{"running", "idle", "Нет", "idle"}));
}

void TestAcquisition::garbageStopped()
{
    Options garbage;
    garbage.mode = Options::Mode::Garbage;
    Bench bench(garbage);
    bench.useEveryWell();
    const QStringList before = bench.densities();
    bench.stopAfter(400);
    QVERIFY(!bench.run());
    QCOMPARE(bench.densities(), before);
    QCOMPARE(bench.link.exchangeState(), ExchangeState::Waiting); // nothing ended the first wait
    QVERIFY(bench.view.shown.contains(QStringLiteral("Установлено")));
    QVERIFY(!bench.link.readerPort());
}

void TestAcquisition::hangUpMidPlate()
{
    // The reader is unplugged after six columns: the next "X 0" cannot be
    // written and the acquisition ends with the port's error.
    Options hangUp;
    hangUp.mode = Options::Mode::HangUp;
    hangUp.hangUpAfterColumns = 6;
    Bench bench(hangUp);
    bench.useEveryWell();
    const QStringList before = bench.densities();
    QCOMPARE(bench.error([&] { bench.run(); }), QStringLiteral("Error writing port COM5"));
    QVERIFY(bench.reader.hungUp());
    QVERIFY(!bench.project.plateLocked());
    QCOMPARE(bench.densities(), before);
    QCOMPARE(bench.link.receivedData().count(QLatin1Char('.')), 6 * 8);
    QVERIFY(!bench.link.readerPort());
    QVERIFY(!bench.link.acquiring());
    QCOMPARE(bench.view.shown.mid(bench.view.shown.size() - 2), (QStringList{"Нет", "idle"}));
}

void TestAcquisition::stopInThePauseEndsAtOnce()
{
    // "Прервать" during the long pause after "Z" (scaled: 760 ms) ends the
    // acquisition in the click itself: the port released, the plate unlocked,
    // and no "X 0" sent afterwards.
    Bench bench;
    bench.useEveryWell();
    const QStringList before = bench.densities();
    QList<bool> atStop;
    QTimer::singleShot(500, [&] {
        bench.link.stop();
        atStop = {bench.link.acquiring(), bench.link.readerPort() != nullptr, bench.project.plateLocked()};
    });
    QVERIFY(!bench.run());
    QCOMPARE(atStop, (QList<bool>{false, false, false}));
    QTest::qWait(1000); // the pause would have ended, the poll begun
    QCOMPARE(bench.reader.commands(), (std::vector<std::string>{"E", "J 12", "Z"}));
    QCOMPARE(bench.densities(), before);
}

void TestAcquisition::secondAcquisitionAfterStop()
{
    // Stopped in the poll, the data so far stay in ReceivedData; the next
    // acquisition empties them and reads the plate whole.
    Bench bench;
    bench.useEveryWell();
    bench.stopAfter(1300); // after the long pause, during the poll
    QVERIFY(!bench.run());
    QVERIFY(!bench.link.receivedData().isEmpty());
    QVERIFY(!bench.link.receivedData().contains(QLatin1String("OK")));
    QVERIFY(bench.run());
    QCOMPARE(bench.project.densityTable().cell(12, 8), simulated(12, 8));
    QCOMPARE(bench.project.densityTable().cell(1, 1), simulated(1, 1));
}

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
