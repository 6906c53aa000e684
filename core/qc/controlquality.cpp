#include "core/qc/controlquality.h"

#include "core/kits/catalogue.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace pleq::qc {

namespace {

bool inRange(const QDateTime& time, const QDateTime& from, const QDateTime& to)
{
    return (!from.isValid() || time >= from) && (!to.isValid() || time <= to);
}

// -1, 0 or +1: the side of `limit` SD a point lies beyond (0: within).
int beyond(double z, double limit)
{
    return z > limit ? 1 : z < -limit ? -1 : 0;
}

void flag(ChartPoint& point, Rule rule)
{
    if (std::find(point.rules.begin(), point.rules.end(), rule) == point.rules.end())
        point.rules.push_back(rule);
}

// The last `count` points up to `end` (exclusive) all beyond `limit` SD on one side.
bool run(const std::vector<ChartPoint>& points, std::size_t end, std::size_t count, double limit)
{
    if (end < count)
        return false;
    const int side = beyond(*points[end - 1].z, limit);
    if (side == 0)
        return false;
    for (std::size_t i = end - count; i < end; ++i)
        if (beyond(*points[i].z, limit) != side)
            return false;
    return true;
}

// The rules over one control's points in chain order.
void flagSeries(std::vector<ChartPoint>& points)
{
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double z = *points[i].z;
        if (std::abs(z) > 2)
            flag(points[i], Rule::W12s);
        if (std::abs(z) > 3)
            flag(points[i], Rule::R13s);
        if (run(points, i + 1, 2, 2))
            flag(points[i], Rule::R22s);
        if (run(points, i + 1, 4, 1))
            flag(points[i], Rule::R41s);
        if (run(points, i + 1, 10, 0))
            flag(points[i], Rule::R10x);
    }
}

std::optional<Limits> limitsOf(const std::vector<double>& values)
{
    const auto n = static_cast<double>(values.size());
    double sum = 0;
    for (const double x : values)
        sum += x;
    const double mean = sum / n;
    double squares = 0;
    for (const double x : values)
        squares += (x - mean) * (x - mean);
    const double sd = std::sqrt(squares / (n - 1));
    if (!(sd > 0))
        return std::nullopt;
    return Limits{mean, sd, static_cast<int>(values.size())};
}

QString dateText(const QDateTime& time)
{
    return time.date().toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

QString ruleName(Rule rule)
{
    switch (rule) {
    case Rule::W12s: return QStringLiteral("1-2s");
    case Rule::R13s: return QStringLiteral("1-3s");
    case Rule::R22s: return QStringLiteral("2-2s");
    case Rule::RR4s: return QStringLiteral("R-4s");
    case Rule::R41s: return QStringLiteral("4-1s");
    case Rule::R10x: return QStringLiteral("10x");
    }
    return {};
}

bool isRejection(Rule rule)
{
    return rule != Rule::W12s;
}

QStringList ruleNames(const std::vector<Rule>& rules)
{
    QStringList names;
    for (const Rule rule : rules)
        names << ruleName(rule);
    return names;
}

QString zText(double z)
{
    const double rounded = std::round(z * 100) / 100;
    return QString::number(rounded == 0 ? 0.0 : rounded, 'f', 2);
}

Baseline Baseline::firstRuns(int runs)
{
    Baseline baseline;
    baseline.runs = runs;
    return baseline;
}

Baseline Baseline::timeRange(const QDateTime& from, const QDateTime& to)
{
    Baseline baseline;
    baseline.kind = Kind::TimeRange;
    baseline.from = from;
    baseline.to = to;
    return baseline;
}

QString Baseline::text() const
{
    if (kind == Kind::FirstRuns) {
        const int last = runs % 10;
        const bool teen = runs % 100 >= 11 && runs % 100 <= 14;
        if (last == 1 && !teen)
            return QStringLiteral("первый %1 планшет набора").arg(runs);
        if (last >= 2 && last <= 4 && !teen)
            return QStringLiteral("первые %1 планшета набора").arg(runs);
        return QStringLiteral("первые %1 планшетов набора").arg(runs);
    }
    if (from.isValid() && to.isValid())
        return QStringLiteral("с %1 по %2").arg(dateText(from), dateText(to));
    if (from.isValid())
        return QStringLiteral("с %1").arg(dateText(from));
    if (to.isValid())
        return QStringLiteral("по %1").arg(dateText(to));
    return QStringLiteral("все планшеты набора");
}

QStringList Result::messages() const
{
    QStringList out;
    for (const ControlChart& chart : charts)
        if (!chart.message.isEmpty())
            out << chart.message;
    return out;
}

std::map<qint64, QStringList> Result::runFlags() const
{
    // seq -> rule -> the controls it flagged, in the kit's order
    std::map<qint64, std::map<Rule, QStringList>> flagged;
    for (const ControlChart& chart : charts)
        for (const ChartPoint& point : chart.points)
            for (const Rule rule : point.rules)
                flagged[point.seq][rule] << chart.control;
    std::map<qint64, QStringList> out;
    for (const auto& [seq, rules] : flagged)
        for (const auto& [rule, controls] : rules)
            out[seq] << QStringLiteral("%1 (%2)").arg(ruleName(rule), controls.join(QStringLiteral(", ")));
    return out;
}

std::set<qint64> Result::rejectedRuns() const
{
    std::set<qint64> out;
    for (const ControlChart& chart : charts)
        for (const ChartPoint& point : chart.points)
            if (std::any_of(point.rules.begin(), point.rules.end(), isRejection))
                out.insert(point.seq);
    return out;
}

Result analyse(Kit kit, std::vector<Point> points, const Baseline& baseline, const QDateTime& from, const QDateTime& to)
{
    std::stable_sort(points.begin(), points.end(), [](const Point& a, const Point& b) { return a.seq < b.seq; });

    // The baseline counts runs of the kit, whether or not each holds every control.
    std::set<qint64> baselineRuns;
    for (const Point& point : points) {
        const bool in =
            baseline.kind == Baseline::Kind::FirstRuns
                ? (baselineRuns.count(point.seq) > 0 || static_cast<int>(baselineRuns.size()) < baseline.runs)
                : inRange(point.time, baseline.from, baseline.to);
        if (in)
            baselineRuns.insert(point.seq);
    }

    Result result;
    result.kit = kit;
    result.baseline = baseline;
    for (const char* name : kitEntry(kit).controls) {
        ControlChart chart;
        chart.control = QString::fromUtf8(name);
        std::vector<ChartPoint> all;
        std::vector<double> baselineValues;
        for (const Point& point : points) {
            if (point.control != chart.control)
                continue;
            ChartPoint chartPoint;
            chartPoint.seq = point.seq;
            chartPoint.time = point.time;
            chartPoint.mean = point.mean;
            chartPoint.baseline = baselineRuns.count(point.seq) > 0;
            if (chartPoint.baseline)
                baselineValues.push_back(point.mean);
            all.push_back(chartPoint);
        }
        if (baselineValues.size() < 2) {
            chart.message = QStringLiteral("Для контроля %1 в базовом периоде (%2) меньше двух точек (%3): "
                                           "пределы не рассчитаны.")
                                .arg(chart.control, baseline.text())
                                .arg(baselineValues.size());
        } else {
            chart.limits = limitsOf(baselineValues);
            if (!chart.limits)
                chart.message = QStringLiteral("Для контроля %1 в базовом периоде (%2) все точки (%3) равны, SD = 0: "
                                               "пределы не рассчитаны.")
                                    .arg(chart.control, baseline.text())
                                    .arg(baselineValues.size());
        }
        if (chart.limits) {
            for (ChartPoint& point : all)
                point.z = (point.mean - chart.limits->mean) / chart.limits->sd;
            flagSeries(all);
        }
        chart.points = std::move(all);
        result.charts.push_back(std::move(chart));
    }

    // The rules within one run: two controls beyond 2 SD on one side (2-2s),
    // or one beyond +2 SD and another beyond −2 SD (R-4s).
    std::map<qint64, std::vector<ChartPoint*>> runs;
    for (ControlChart& chart : result.charts)
        for (ChartPoint& point : chart.points)
            if (point.z)
                runs[point.seq].push_back(&point);
    for (auto& [seq, members] : runs) {
        for (ChartPoint* a : members) {
            for (ChartPoint* b : members) {
                if (a == b)
                    continue;
                const int sideA = beyond(*a->z, 2);
                const int sideB = beyond(*b->z, 2);
                if (sideA != 0 && sideA == sideB)
                    flag(*a, Rule::R22s);
                if (sideA != 0 && sideA == -sideB)
                    flag(*a, Rule::RR4s);
            }
        }
    }

    for (ControlChart& chart : result.charts) {
        for (ChartPoint& point : chart.points)
            std::sort(point.rules.begin(), point.rules.end());
        std::erase_if(chart.points, [&](const ChartPoint& point) { return !inRange(point.time, from, to); });
    }
    return result;
}

} // namespace pleq::qc
