#pragma once

#include "core/kits/kit.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <map>
#include <optional>
#include <set>
#include <vector>

namespace pleq::qc {

// Control quality across plates: a Levey–Jennings chart per control of a kit
// and the Westgard rules (Westgard et al., Clin Chem 1981;27:493–501) over it.
// These are warnings for the lab; a plate's pass or fail stays with the kit's
// own validity checks.

// One point of a control chart: the mean density of one control on one run.
struct Point {
    qint64 seq = 0; // the run's place in the archive's chain
    QDateTime time;
    QString control; // the control's layout text: "C+", "S+!"
    double mean = 0;
};

// The rules, on z = (x − mean) / SD of the baseline. "Beyond k SD" is strict
// (|z| > k): a point at exactly 2 SD fires no 2 SD rule. The rules looking at
// several points of one control take them in chain order and flag the point
// that completes the pattern; the rules within one run flag every control of
// the run that takes part.
enum class Rule {
    W12s, // warning: one point beyond 2 SD
    R13s, // one point beyond 3 SD
    R22s, // two consecutive points of one control beyond 2 SD on the same side,
          // or two controls of one run beyond 2 SD on the same side
    RR4s, // within one run: one control beyond +2 SD and another beyond −2 SD
    R41s, // four consecutive points of one control beyond 1 SD on the same side
    R10x, // ten consecutive points of one control on the same side of the mean
};
QString ruleName(Rule rule); // "1-2s", "1-3s", "2-2s", "R-4s", "4-1s", "10x"
bool isRejection(Rule rule); // every rule but 1-2s
QStringList ruleNames(const std::vector<Rule>& rules);
// z to two decimals, as the window and pleq-cli show it: "1.96"; one that
// rounds to zero is "0.00", never "-0.00".
QString zText(double z);

// The runs the mean and SD are taken from: the first N runs of the kit (the
// default 20), or the runs in a time range (a new kit lot starts a new one).
struct Baseline {
    enum class Kind { FirstRuns, TimeRange };
    Kind kind = Kind::FirstRuns;
    int runs = 20;
    QDateTime from, to; // inclusive; an invalid bound is open

    static Baseline firstRuns(int runs);
    static Baseline timeRange(const QDateTime& from, const QDateTime& to);
    // "первые 20 планшетов", "с 01.03.2026 по 31.03.2026"
    QString text() const;
};

// The centre line and spread of one control's chart.
struct Limits {
    double mean = 0;
    double sd = 0;  // sample SD (n − 1)
    int points = 0; // baseline points they were taken from
};

struct ChartPoint {
    qint64 seq = 0;
    QDateTime time;
    double mean = 0;
    std::optional<double> z; // none without limits
    bool baseline = false;   // one of the points the limits were taken from
    std::vector<Rule> rules; // in the order of Rule
};

struct ControlChart {
    QString control;
    std::vector<ChartPoint> points; // the points shown, in chain order
    std::optional<Limits> limits;
    QString message; // why there are no limits; empty when there are
};

struct Result {
    Kit kit = Kit::K01;
    Baseline baseline;
    std::vector<ControlChart> charts; // one per control of the kit, in the catalogue's order

    // The messages of the charts without limits.
    QStringList messages() const;
    // For the journal: per run shown that a rule flagged, the rules in the
    // order of Rule, each with the controls it flagged ("R-4s (C+, C-)").
    std::map<qint64, QStringList> runFlags() const;
    std::set<qint64> rejectedRuns() const; // the runs shown that a rejection rule flagged
};

// The charts of a kit from every control point of its runs (any order; points
// of controls the kit does not have are left out). The baseline is chosen and
// the rules run over all the points, so a point's flags do not depend on the
// range shown; the charts hold the points in [from, to] (an invalid bound: open).
Result analyse(Kit kit, std::vector<Point> points, const Baseline& baseline, const QDateTime& from = {},
               const QDateTime& to = {});

} // namespace pleq::qc
