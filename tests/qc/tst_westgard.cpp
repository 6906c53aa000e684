#include "core/qc/controlquality.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace pleq;
using namespace pleq::qc;

namespace {

const double None = std::numeric_limits<double>::quiet_NaN(); // the run holds no such control

QDateTime day(int n)
{
    return QDateTime(QDate(2026, 3, 1).addDays(n - 1), QTime(10, 0), Qt::UTC);
}

// Kit 03 runs 1, 2, 3, ... with the means of C+ and C- given in run order (None: left out).
std::vector<Point> runs(const QList<double>& cPlus, const QList<double>& cMinus)
{
    std::vector<Point> points;
    const auto add = [&](const QString& control, const QList<double>& means) {
        for (qsizetype i = 0; i < means.size(); ++i)
            if (!std::isnan(means[i]))
                points.push_back({i + 1, day(int(i) + 1), control, means[i]});
    };
    add(QStringLiteral("C+"), cPlus);
    add(QStringLiteral("C-"), cMinus);
    return points;
}

// The flags of a chart's points from the `first` on, each as "1-2s 2-2s".
QStringList flags(const ControlChart& chart, std::size_t first)
{
    QStringList out;
    for (std::size_t i = first; i < chart.points.size(); ++i)
        out << ruleNames(chart.points[i].rules).join(QLatin1Char(' '));
    return out;
}

const ControlChart& chartOf(const Result& result, const QString& control)
{
    for (const ControlChart& chart : result.charts)
        if (chart.control == control)
            return chart;
    qFatal("no chart of %s", qPrintable(control));
}

} // namespace

// The Westgard rules at their boundaries, and the baseline the limits come from.
class TestWestgard : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void rules_data();
    void rules();
    void runFlags();
    void shownRange();
    void baseline_data();
    void baseline();
};

// Every case starts with three baseline runs of both controls, 1.5, 2.5, 2.0:
// mean 2.0 and SD 0.5 exactly, so 3.0 is exactly +2 SD, 1.0 exactly −2 SD,
// 3.5 exactly +3 SD, 2.5 exactly +1 SD; the last baseline point lies on the
// mean, so no run of points on one side starts inside the baseline.
void TestWestgard::rules_data()
{
    // clang-format off
    QTest::addColumn<QList<double>>("cPlus");  // the runs after the baseline
    QTest::addColumn<QList<double>>("cMinus");
    QTest::addColumn<QStringList>("cPlusFlags");
    QTest::addColumn<QStringList>("cMinusFlags");

    const QList<double> none;
    const QStringList noFlags;
    // clang-format off
    QTest::newRow("1-2s above")        << QList<double>{3.0001} << none << QStringList{"1-2s"} << noFlags;
    QTest::newRow("1-2s at +2 SD")     << QList<double>{3.0}    << none << QStringList{""}     << noFlags;
    QTest::newRow("1-2s below")        << QList<double>{0.9999} << none << QStringList{"1-2s"} << noFlags;
    QTest::newRow("1-2s at -2 SD")     << QList<double>{1.0}    << none << QStringList{""}     << noFlags;
    QTest::newRow("1-3s above")        << QList<double>{3.5001} << none << QStringList{"1-2s 1-3s"} << noFlags;
    QTest::newRow("1-3s at +3 SD")     << QList<double>{3.5}    << none << QStringList{"1-2s"} << noFlags;
    QTest::newRow("1-3s below")        << QList<double>{0.4999} << none << QStringList{"1-2s 1-3s"} << noFlags;
    QTest::newRow("1-3s at -3 SD")     << QList<double>{0.5}    << none << QStringList{"1-2s"} << noFlags;

    QTest::newRow("2-2s one control")  << QList<double>{3.01, 3.01} << none << QStringList{"1-2s", "1-2s 2-2s"} << noFlags;
    QTest::newRow("2-2s one control below") << QList<double>{0.99, 0.99} << none << QStringList{"1-2s", "1-2s 2-2s"} << noFlags;
    QTest::newRow("2-2s second at +2 SD") << QList<double>{3.01, 3.0} << none << QStringList{"1-2s", ""} << noFlags;
    QTest::newRow("2-2s first at +2 SD")  << QList<double>{3.0, 3.01} << none << QStringList{"", "1-2s"} << noFlags;
    QTest::newRow("2-2s not across a point") << QList<double>{3.01, 2.0, 3.01} << none << QStringList{"1-2s", "", "1-2s"} << noFlags;
    QTest::newRow("2-2s not on opposite sides") << QList<double>{3.01, 0.99} << none << QStringList{"1-2s", "1-2s"} << noFlags;
    QTest::newRow("2-2s two controls of a run")
        << QList<double>{3.01} << QList<double>{3.01} << QStringList{"1-2s 2-2s"} << QStringList{"1-2s 2-2s"};
    QTest::newRow("2-2s two controls, one at +2 SD")
        << QList<double>{3.01} << QList<double>{3.0} << QStringList{"1-2s"} << QStringList{""};
    QTest::newRow("2-2s two controls below")
        << QList<double>{0.99} << QList<double>{0.99} << QStringList{"1-2s 2-2s"} << QStringList{"1-2s 2-2s"};

    QTest::newRow("R-4s within a run")
        << QList<double>{3.01} << QList<double>{0.99} << QStringList{"1-2s R-4s"} << QStringList{"1-2s R-4s"};
    QTest::newRow("R-4s one at -2 SD")
        << QList<double>{3.01} << QList<double>{1.0} << QStringList{"1-2s"} << QStringList{""};
    QTest::newRow("R-4s one at +2 SD")
        << QList<double>{3.0} << QList<double>{0.99} << QStringList{""} << QStringList{"1-2s"};
    // +2 SD on run 4 and −2 SD on run 5, on either control: never R-4s.
    QTest::newRow("R-4s not across runs, two controls")
        << QList<double>{3.01, 2.0} << QList<double>{2.0, 0.99} << QStringList{"1-2s", ""} << QStringList{"", "1-2s"};
    QTest::newRow("R-4s not across runs, one control")
        << QList<double>{3.01, 0.99} << none << QStringList{"1-2s", "1-2s"} << noFlags;

    QTest::newRow("4-1s above")        << QList<double>{2.51, 2.51, 2.51, 2.51} << none << QStringList{"", "", "", "4-1s"} << noFlags;
    QTest::newRow("4-1s below")        << QList<double>{1.49, 1.49, 1.49, 1.49} << none << QStringList{"", "", "", "4-1s"} << noFlags;
    QTest::newRow("4-1s last at +1 SD") << QList<double>{2.51, 2.51, 2.51, 2.5} << none << QStringList{"", "", "", ""} << noFlags;
    QTest::newRow("4-1s first at +1 SD") << QList<double>{2.5, 2.51, 2.51, 2.51} << none << QStringList{"", "", "", ""} << noFlags;
    QTest::newRow("4-1s five in a row") << QList<double>{2.51, 2.51, 2.51, 2.51, 2.51} << none << QStringList{"", "", "", "4-1s", "4-1s"} << noFlags;
    QTest::newRow("4-1s sides mixed")  << QList<double>{2.51, 2.51, 1.49, 2.51} << none << QStringList{"", "", "", ""} << noFlags;
    // a run that lacks the control does not break its series
    QTest::newRow("4-1s over a run without the control")
        << QList<double>{2.51, 2.51, None, 2.51, 2.51} << none << QStringList{"", "", "", "4-1s"} << noFlags;

    QTest::newRow("10x above")
        << QList<double>{2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01} << none
        << QStringList{"", "", "", "", "", "", "", "", "", "10x"} << noFlags;
    QTest::newRow("10x below")
        << QList<double>{1.99, 1.99, 1.99, 1.99, 1.99, 1.99, 1.99, 1.99, 1.99, 1.99} << none
        << QStringList{"", "", "", "", "", "", "", "", "", "10x"} << noFlags;
    QTest::newRow("10x nine in a row")
        << QList<double>{2.0, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01} << none
        << QStringList{"", "", "", "", "", "", "", "", "", ""} << noFlags;
    QTest::newRow("10x last on the mean")
        << QList<double>{2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.01, 2.0} << none
        << QStringList{"", "", "", "", "", "", "", "", "", ""} << noFlags;
    // clang-format on
    // clang-format on
}

void TestWestgard::rules()
{
    QFETCH(QList<double>, cPlus);
    QFETCH(QList<double>, cMinus);
    QFETCH(QStringList, cPlusFlags);
    QFETCH(QStringList, cMinusFlags);

    const QList<double> base{1.5, 2.5, 2.0};
    const Result result =
        analyse(Kit::K03, runs(base + cPlus, cMinus.isEmpty() ? base : base + cMinus), Baseline::firstRuns(3));
    const ControlChart& plus = chartOf(result, QStringLiteral("C+"));
    QVERIFY(plus.limits);
    QCOMPARE(plus.limits->mean, 2.0);
    QCOMPARE(plus.limits->sd, 0.5);
    QCOMPARE(flags(plus, 0).mid(0, 3), (QStringList{"", "", ""})); // the baseline
    QCOMPARE(flags(plus, 3), cPlusFlags);
    QCOMPARE(flags(chartOf(result, QStringLiteral("C-")), 3), cMinusFlags);
}

// The journal's view: per run the rules and the controls they flagged.
void TestWestgard::runFlags()
{
    const QList<double> base{1.5, 2.5, 2.0};
    const Result result =
        analyse(Kit::K03, runs(base + QList<double>{3.01, 3.6, 2.0}, base + QList<double>{0.99, 3.1, 2.0}),
                Baseline::firstRuns(3));
    const std::map<qint64, QStringList> expected{
        {4, {"1-2s (C+, C-)", "R-4s (C+, C-)"}},
        {5, {"1-2s (C+, C-)", "1-3s (C+)", "2-2s (C+, C-)"}},
    };
    QCOMPARE(result.runFlags(), expected);
    QCOMPARE(result.rejectedRuns(), (std::set<qint64>{4, 5}));
}

// The rules see every run; the charts show the range asked for, and a point's
// flags are the same whichever range is shown.
void TestWestgard::shownRange()
{
    const QList<double> base{1.5, 2.5, 2.0};
    const Result result =
        analyse(Kit::K03, runs(base + QList<double>{3.01, 3.01, 2.0}, base), Baseline::firstRuns(3), day(5), day(6));
    const ControlChart& plus = chartOf(result, QStringLiteral("C+"));
    QCOMPARE(plus.points.size(), std::size_t(2));
    QCOMPARE(plus.points[0].seq, qint64(5));
    QCOMPARE(flags(plus, 0), (QStringList{"1-2s 2-2s", ""}));
    QVERIFY(plus.limits);
    QCOMPARE(plus.limits->mean, 2.0); // the baseline lies before the range shown
}

void TestWestgard::baseline_data()
{
    // clang-format off
    QTest::addColumn<QList<double>>("cPlus");
    QTest::addColumn<QList<double>>("cMinus");
    QTest::addColumn<int>("firstRuns"); // 0: the time range [from, to] instead
    QTest::addColumn<QDateTime>("from");
    QTest::addColumn<QDateTime>("to");
    QTest::addColumn<QString>("cPlusLimits");  // "mean SD points", or the message
    QTest::addColumn<QString>("cMinusLimits");

    const QList<double> none;
    QTest::newRow("no runs") << none << none << 20 << QDateTime() << QDateTime()
                             << "Для контроля C+ в базовом периоде (первые 20 планшетов набора) меньше двух точек (0): "
                                "пределы не рассчитаны."
                             << "Для контроля C- в базовом периоде (первые 20 планшетов набора) меньше двух точек (0): "
                                "пределы не рассчитаны.";
    QTest::newRow("one run") << QList<double>{1.0} << QList<double>{0.2} << 20 << QDateTime() << QDateTime()
                             << "Для контроля C+ в базовом периоде (первые 20 планшетов набора) меньше двух точек (1): "
                                "пределы не рассчитаны."
                             << "Для контроля C- в базовом периоде (первые 20 планшетов набора) меньше двух точек (1): "
                                "пределы не рассчитаны.";
    QTest::newRow("two runs") << QList<double>{1.0, 2.0} << QList<double>{0.25, 0.75} << 20 << QDateTime() << QDateTime()
                              << "1.5 0.707107 2" << "0.5 0.353553 2";
    // The first three runs, later runs left out of the limits.
    QTest::newRow("first 3 of 5") << QList<double>{1.5, 2.5, 2.0, 9.0, 9.0} << QList<double>{1.0, 3.0, 2.0, 0.0, 0.0}
                                  << 3 << QDateTime() << QDateTime() << "2 0.5 3" << "2 1 3";
    // The baseline counts runs: run 2 lacks C-, so C- has two points among the first three runs.
    QTest::newRow("a run without the control")
        << QList<double>{1.5, 2.5, 2.0, 9.0} << QList<double>{1.0, None, 2.0, 9.0} << 3 << QDateTime() << QDateTime()
        << "2 0.5 3" << "1.5 0.707107 2";
    QTest::newRow("first 1 run")
        << QList<double>{1.5, 2.5} << QList<double>{1.0, 3.0} << 1 << QDateTime() << QDateTime()
        << "Для контроля C+ в базовом периоде (первый 1 планшет набора) меньше двух точек (1): пределы не рассчитаны."
        << "Для контроля C- в базовом периоде (первый 1 планшет набора) меньше двух точек (1): пределы не рассчитаны.";
    // Runs 2..4 by time, both bounds inclusive.
    QTest::newRow("time range") << QList<double>{9.0, 1.5, 2.5, 2.0, 9.0} << QList<double>{9.0, 1.0, 2.0, 3.0, 9.0}
                                << 0 << day(2) << day(4) << "2 0.5 3" << "2 1 3";
    QTest::newRow("time range open at the end")
        << QList<double>{9.0, 9.0, 1.5, 2.5, 2.0} << QList<double>{9.0, 9.0, 1.0, 2.0, 3.0} << 0 << day(3)
        << QDateTime() << "2 0.5 3" << "2 1 3";
    QTest::newRow("time range with one run")
        << QList<double>{1.5, 2.5, 2.0} << QList<double>{1.0, 2.0, 3.0} << 0 << day(2) << day(2).addSecs(3600)
        << "Для контроля C+ в базовом периоде (с 02.03.2026 по 02.03.2026) меньше двух точек (1): "
           "пределы не рассчитаны."
        << "Для контроля C- в базовом периоде (с 02.03.2026 по 02.03.2026) меньше двух точек (1): "
           "пределы не рассчитаны.";
    QTest::newRow("all equal") << QList<double>{1.5, 1.5, 1.5} << QList<double>{1.0, 2.0, 3.0} << 20 << QDateTime()
                               << QDateTime()
                               << "Для контроля C+ в базовом периоде (первые 20 планшетов набора) все точки (3) равны, "
                                  "SD = 0: пределы не рассчитаны."
                               << "2 1 3";
    // clang-format on
}

void TestWestgard::baseline()
{
    QFETCH(QList<double>, cPlus);
    QFETCH(QList<double>, cMinus);
    QFETCH(int, firstRuns);
    QFETCH(QDateTime, from);
    QFETCH(QDateTime, to);
    QFETCH(QString, cPlusLimits);
    QFETCH(QString, cMinusLimits);

    const Baseline baseline = firstRuns > 0 ? Baseline::firstRuns(firstRuns) : Baseline::timeRange(from, to);
    const Result result = analyse(Kit::K03, runs(cPlus, cMinus), baseline);
    QCOMPARE(result.charts.size(), std::size_t(3)); // C+, C-, O: the controls of kit 03
    QCOMPARE(result.charts[2].control, QStringLiteral("O"));

    const auto limits = [](const ControlChart& chart) {
        if (!chart.limits)
            return chart.message;
        return QStringLiteral("%1 %2 %3")
            .arg(chart.limits->mean, 0, 'g', 6)
            .arg(chart.limits->sd, 0, 'g', 6)
            .arg(chart.limits->points);
    };
    QCOMPARE(limits(result.charts[0]), cPlusLimits);
    QCOMPARE(limits(result.charts[1]), cMinusLimits);
    // Without limits no point has a z or a flag.
    for (const ControlChart& chart : result.charts)
        if (!chart.limits)
            for (const ChartPoint& point : chart.points)
                QVERIFY(!point.z && point.rules.empty());
}

QTEST_GUILESS_MAIN(TestWestgard)
#include "tst_westgard.moc"
