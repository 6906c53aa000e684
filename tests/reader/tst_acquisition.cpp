#include "acquisitionbench.h"

#include "core/layout/fill.h"

#include <QSignalSpy>
#include <QTest>

class TestAcquisition : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholePlateIntoTheUsedWells();
    void repliesLaterThanThePauses();
    void repliesCutOrMerged_data();
    void repliesCutOrMerged();
    void damagedReplyRefused();
    void portThatDoesNotOpen();
    void splitAcknowledgementNotUnderstood();
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
    QStringList expectedLog = {" Попытка инициализации ...",           " Инициализация успешно ...",
                               " Определение количества столбцов ...", " Столбцов для сканирования:12",
                               " Команда выполнена прибором ...",      " Команда выполнена прибором ..."};
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

void TestAcquisition::repliesLaterThanThePauses()
{
    // Out of step: every reply comes after its pause, so the poll sends more
    // "X 0" than there are columns and the replies come whenever they come,
    // one or several to a chunk. The plate is still read exactly.
    Options delayed;
    delayed.replyDelayMs = 100;
    Bench bench(delayed, false, Bench::Free);
    bench.useEveryWell();
    bool acquired = false;
    QCOMPARE(bench.error([&] { acquired = bench.run(); }), QString());
    QVERIFY(acquired);
    QCOMPARE(bench.firstWrongWell(), QString());
}

void TestAcquisition::repliesCutOrMerged_data()
{
    // clang-format off
    QTest::addColumn<int>("splitAt");
    QTest::addColumn<bool>("merge");
    // A data reply is "0" CR LF, blank, "d.ddd", ...: byte 7 is inside the
    // first density. Replies of 7 bytes or fewer (the others) stay whole.
    QTest::newRow("every data reply cut inside its first density") << 7 << false;
    // The last reply is 57 bytes, the others 53: only its end mark is cut.
    QTest::newRow("the end mark cut in two") << 55 << false;
    QTest::newRow("two columns' replies in one chunk") << 0 << true;
    QTest::newRow("two replies in one chunk, cut inside a density") << 7 << true;
    // clang-format on
}

void TestAcquisition::repliesCutOrMerged()
{
    QFETCH(int, splitAt);
    QFETCH(bool, merge);
    Options options;
    options.splitAt = splitAt;
    options.mergeColumns = merge;
    Bench bench(options);
    bench.useEveryWell();
    bool acquired = false;
    QCOMPARE(bench.error([&] { acquired = bench.run(); }), QString());
    QVERIFY(acquired);
    QCOMPARE(bench.firstWrongWell(), QString());
}

void TestAcquisition::damagedReplyRefused()
{
    // Column 3 comes with a character missing: the acquisition runs to its
    // end and refuses the data; the plate keeps its densities, the log stays.
    Options damaged;
    damaged.damageColumn = 3;
    Bench bench(damaged);
    bench.useEveryWell();
    for (int col = 1; col <= 12; ++col)
        for (int row = 1; row <= 8; ++row)
            bench.project.densityTable().setCell(col, row, QStringLiteral("0,5"));
    const QStringList before = bench.densities();
    QSignalSpy ended(&bench.link, &ReaderLink::finished);
    const QString message = QStringLiteral(
        "Данные ридера не приняты: строка «2.70 3.182 0.394 1.506 2.618 3…» не делится на значения по 5 знаков. "
        "Получено знаков без пробелов: 479 («1.4822.5323.5820.7321.7822.832…»). "
        "Плотности не записаны, повторите чтение.");
    QCOMPARE(bench.error([&] { bench.run(); }), message);
    QCOMPARE(ended.size(), 1);
    QCOMPARE(ended.first().at(0).value<AcquisitionEnd>(), AcquisitionEnd::Failed);
    QCOMPARE(ended.first().at(1).toString(), message);
    QCOMPARE(bench.densities(), before);
    QVERIFY(!bench.project.plateLocked());
    const QStringList log = logMessages(bench.project);
    QCOMPARE(log.first(), QStringLiteral(" Попытка инициализации ..."));
    QCOMPARE(log.filter(QStringLiteral(" Получены данные : ")).size(), 12);
    QCOMPARE(log.filter(QStringLiteral(" Данные к обработке : ")).size(), 1);
    QVERIFY(!bench.link.readerPort());
    QCOMPARE(bench.view.shown.mid(bench.view.shown.size() - 2), (QStringList{"Нет", "idle"}));
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

void TestAcquisition::splitAcknowledgementNotUnderstood()
{
    // Replies are recognised only as whole chunks. Split after its first byte,
    // the initialisation reply still ends its wait as data with the text "OK";
    // the acknowledgement of "J 12" becomes "O" and "K" CR LF, which end
    // nothing: the acquisition waits until "Прервать", writing nothing.
    Options split;
    split.splitAt = 1;
    Bench bench(split);
    bench.useEveryWell();
    const QStringList before = bench.densities();
    const QStringList expectedLog = {
        " Попытка инициализации ...",    " Получены данные : ", " Получены данные : OK",
        " Данные к обработке : OK",      " Объем : 6 байт",     " Определение количества столбцов ...",
        " Столбцов для сканирования:12", " Получены данные : ", " Получены данные : "};
    QObject::connect(&bench.project, &Project::logAppended, &bench.guard, [&] {
        if (bench.project.readerLog().size() == expectedLog.size())
            QTimer::singleShot(0, &bench.guard, [&] { bench.link.stop(); });
    });
    QVERIFY(!bench.run());
    QCOMPARE(logMessages(bench.project), expectedLog);
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
    bench.stopInTheFirstWait();
    QVERIFY(!bench.run());
    QCOMPARE(bench.densities(), before);
    QCOMPARE(logMessages(bench.project), QStringList{" Попытка инициализации ..."});
    QTRY_COMPARE_WITH_TIMEOUT(bench.reader.commands(), std::vector<std::string>{"E"}, 60000);
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
    bench.stopInTheFirstWait();
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
    // "Прервать" during the long pause after "Z" ends the acquisition in the
    // click itself: the port released, the plate unlocked, and nothing sent
    // when the pause would have ended.
    Bench bench;
    bench.useEveryWell();
    const QStringList before = bench.densities();
    QList<bool> atStop;
    qint64 pausedAtStop = -1;
    bool pastThePause = false;
    bench.lockstep->inPause([&](int ms, int interval, int) {
        if (ms != 3800)
            return;
        bench.link.stop();
        atStop = {bench.link.acquiring(), bench.link.readerPort() != nullptr, bench.project.plateLocked()};
        pausedAtStop = bench.link.pausedMilliseconds();
        QTimer::singleShot(interval, Qt::PreciseTimer, &bench.guard, [&] { pastThePause = true; });
    });
    QVERIFY(!bench.run());
    QCOMPARE(atStop, (QList<bool>{false, false, false}));
    QTRY_VERIFY_WITH_TIMEOUT(pastThePause, 60000); // the pause's own timer would have fired by now
    QCOMPARE(bench.link.pausedMilliseconds(), pausedAtStop);
    QCOMPARE(bench.reader.commands(), (std::vector<std::string>{"E", "J 12", "Z"}));
    QCOMPARE(bench.densities(), before);
}

void TestAcquisition::secondAcquisitionAfterStop()
{
    // Stopped in the poll, the data so far stay in ReceivedData; the next
    // acquisition empties them and reads the plate whole.
    Bench bench;
    bench.useEveryWell();
    bench.lockstep->inPause([&](int, int, int index) {
        if (index == 7) // the third pass of the poll: two columns in
            bench.link.stop();
    });
    QVERIFY(!bench.run());
    QCOMPARE(bench.link.receivedData().count(QLatin1Char('.')), 2 * 8);
    QVERIFY(!bench.link.receivedData().contains(QLatin1String("OK")));
    bench.lockstep->inPause({});
    QVERIFY(bench.run());
    QCOMPARE(bench.firstWrongWell(), QString());
}

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
