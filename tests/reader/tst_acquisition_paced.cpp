// A real line: the reader's bytes one at a time at 9600 baud, with the real
// pauses, which leave the reader the time its replies take on the wire. Every
// reply must be gathered whole (an acknowledgement split into "O" and "K" CR
// LF would leave the acquisition waiting). Kept in step, so that a reply the
// machine delivers late still comes before its pause ends. Runs alone
// (RUN_SERIAL): a machine busy with other tests can hold back the
// pseudo-terminal's delivery of a byte for longer than the quiet that ends a
// chunk.

#include "acquisitionbench.h"

#include <QTest>

class TestAcquisitionPaced : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void wholePlateAtLineSpeed();
};

void TestAcquisitionPaced::wholePlateAtLineSpeed()
{
    Options paced;
    paced.paced = true;
    paced.seed = 7;
    Bench bench(paced, true);
    bench.useEveryWell();
    bool acquired = false;
    QCOMPARE(bench.error([&] { acquired = bench.run(); }), QString());
    QVERIFY(acquired);
    QCOMPARE(bench.firstWrongWell(7), QString());
    QCOMPARE(bench.link.pausedMilliseconds(), 200 + 200 + 300 + 300 + 3800 + 13 * 300);
}

QTEST_GUILESS_MAIN(TestAcquisitionPaced)
#include "tst_acquisition_paced.moc"
