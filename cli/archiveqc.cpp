#include "cli/archive.h"
#include "cli/common.h"

#include "archive/archive.h"
#include "archive/qcseries.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "core/qc/controlquality.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace pleq::cli {

namespace {

const char* const QcUsage =
    "usage: pleq-cli archive qc --kit NN [--from DATE] [--to DATE] [--baseline N|DATE..DATE] [--json] "
    "[--archive LOCATION]";

Error usage()
{
    return Error(QString::fromUtf8(QcUsage));
}

Kit kitOption(const QString& text)
{
    bool ok = false;
    const int code = text.toInt(&ok);
    if (!ok || code < 1 || code > KitCount)
        throw Error(QStringLiteral("--kit takes a kit code 01 .. 05, not '%1'").arg(text));
    return static_cast<Kit>(code - 1);
}

// A date (yyyy-MM-dd): its first or last moment in local time.
QDateTime dateOption(const QString& option, const QString& text, bool end)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid())
        throw Error(QStringLiteral("%1 takes a date as yyyy-MM-dd, not '%2'").arg(option, text));
    return end ? date.endOfDay() : date.startOfDay();
}

// N (the first N runs of the kit) or FROM..TO (the runs of those days).
qc::Baseline baselineOption(const QString& text)
{
    if (text.contains(QLatin1String(".."))) {
        const QStringList bounds = text.split(QStringLiteral(".."));
        if (bounds.size() != 2)
            throw Error(QStringLiteral("--baseline takes N or DATE..DATE, not '%1'").arg(text));
        return qc::Baseline::timeRange(dateOption(QStringLiteral("--baseline"), bounds[0], false),
                                       dateOption(QStringLiteral("--baseline"), bounds[1], true));
    }
    bool ok = false;
    const int runs = text.toInt(&ok);
    if (!ok || runs < 1)
        throw Error(QStringLiteral("--baseline takes N or DATE..DATE, not '%1'").arg(text));
    return qc::Baseline::firstRuns(runs);
}

QString number(double value)
{
    return QString::number(value, 'f', 4);
}

QString timeText(const QDateTime& time)
{
    return time.toString(Qt::ISODateWithMs);
}

QJsonValue jsonDate(const QDateTime& time)
{
    return time.isValid() ? QJsonValue(time.date().toString(Qt::ISODate)) : QJsonValue();
}

QByteArray json(const qc::Result& result, const QDateTime& from, const QDateTime& to)
{
    QJsonObject baseline;
    if (result.baseline.kind == qc::Baseline::Kind::FirstRuns) {
        baseline.insert(QStringLiteral("runs"), result.baseline.runs);
    } else {
        baseline.insert(QStringLiteral("from"), jsonDate(result.baseline.from));
        baseline.insert(QStringLiteral("to"), jsonDate(result.baseline.to));
    }
    QJsonArray controls;
    for (const qc::ControlChart& chart : result.charts) {
        QJsonObject control;
        control.insert(QStringLiteral("control"), chart.control);
        if (chart.limits) {
            control.insert(QStringLiteral("limits"), QJsonObject{{QStringLiteral("mean"), chart.limits->mean},
                                                                 {QStringLiteral("sd"), chart.limits->sd},
                                                                 {QStringLiteral("points"), chart.limits->points}});
            control.insert(QStringLiteral("message"), QJsonValue());
        } else {
            control.insert(QStringLiteral("limits"), QJsonValue());
            control.insert(QStringLiteral("message"), chart.message);
        }
        QJsonArray points;
        for (const qc::ChartPoint& point : chart.points) {
            points.append(QJsonObject{
                {QStringLiteral("seq"), point.seq},
                {QStringLiteral("time"), timeText(point.time)},
                {QStringLiteral("mean"), point.mean},
                {QStringLiteral("z"), point.z ? QJsonValue(*point.z) : QJsonValue()},
                {QStringLiteral("baseline"), point.baseline},
                {QStringLiteral("rules"), QJsonArray::fromStringList(qc::ruleNames(point.rules))},
            });
        }
        control.insert(QStringLiteral("points"), points);
        controls.append(control);
    }
    QJsonArray runs;
    const std::set<qint64> rejected = result.rejectedRuns();
    for (const auto& [seq, flags] : result.runFlags())
        runs.append(QJsonObject{{QStringLiteral("seq"), seq},
                                {QStringLiteral("flags"), QJsonArray::fromStringList(flags)},
                                {QStringLiteral("rejected"), rejected.count(seq) > 0}});
    const QJsonObject document{
        {QStringLiteral("kit"), kitEntry(result.kit).code()},
        {QStringLiteral("baseline"), baseline},
        {QStringLiteral("from"), jsonDate(from)},
        {QStringLiteral("to"), jsonDate(to)},
        {QStringLiteral("controls"), controls},
        {QStringLiteral("runs"), runs},
    };
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

QString text(const qc::Result& result, const QDateTime& from, const QDateTime& to)
{
    QString out =
        QStringLiteral("%1; базовый период: %2\n").arg(kitEntry(result.kit).rowText(), result.baseline.text());
    QStringList range;
    if (from.isValid())
        range << QStringLiteral("с ") + from.date().toString(Qt::ISODate);
    if (to.isValid())
        range << QStringLiteral("по ") + to.date().toString(Qt::ISODate);
    if (!range.isEmpty())
        out += QStringLiteral("Точки: %1\n").arg(range.join(QLatin1Char(' ')));
    for (const qc::ControlChart& chart : result.charts) {
        out += QLatin1Char('\n');
        if (chart.limits) {
            const qc::Limits& l = *chart.limits;
            out += QStringLiteral("Контроль %1: среднее %2, SD %3, точек в базовом периоде: %4\n")
                       .arg(chart.control, number(l.mean), number(l.sd))
                       .arg(l.points);
            out += QStringLiteral("  -3 SD %1  -2 SD %2  -1 SD %3  +1 SD %4  +2 SD %5  +3 SD %6\n")
                       .arg(number(l.mean - 3 * l.sd), number(l.mean - 2 * l.sd), number(l.mean - l.sd),
                            number(l.mean + l.sd), number(l.mean + 2 * l.sd), number(l.mean + 3 * l.sd));
        } else {
            out += chart.message + QLatin1Char('\n');
        }
        if (chart.points.empty()) {
            out += QStringLiteral("  нет точек\n");
            continue;
        }
        out += QStringLiteral("  %1  %2  %3  %4  %5\n")
                   .arg(QStringLiteral("№"), -6)
                   .arg(QStringLiteral("время"), -29)
                   .arg(QStringLiteral("среднее"), 8)
                   .arg(QStringLiteral("z"), 6)
                   .arg(QStringLiteral("правила"));
        for (const qc::ChartPoint& point : chart.points) {
            out += QStringLiteral("  %1  %2  %3  %4  %5")
                       .arg(point.seq, -6)
                       .arg(timeText(point.time), -29)
                       .arg(number(point.mean), 8)
                       .arg(point.z ? qc::zText(*point.z) : QStringLiteral("-"), 6)
                       .arg(qc::ruleNames(point.rules).join(QLatin1Char(' ')));
            while (out.endsWith(QLatin1Char(' ')))
                out.chop(1);
            out += QLatin1Char('\n');
        }
    }
    const auto flags = result.runFlags();
    out += QLatin1Char('\n');
    if (flags.empty())
        out += QStringLiteral("Правила Вестгарда не отметили ни одного планшета.\n");
    else
        out += QStringLiteral("Планшеты, отмеченные правилами Вестгарда:\n");
    const std::set<qint64> rejected = result.rejectedRuns();
    for (const auto& [seq, list] : flags)
        out += QStringLiteral("  № %1%2: %3\n")
                   .arg(seq)
                   .arg(rejected.count(seq) > 0 ? QStringLiteral(" (отклонить)") : QStringLiteral(" (предупреждение)"),
                        list.join(QStringLiteral(", ")));
    return out;
}

} // namespace

// pleq-cli archive qc: the control charts of a kit over the archive in use,
// as the window "Контроль качества" draws them: per control the limits from
// the baseline and the points with the Westgard rules they fired, then the
// runs flagged. Dates are days in local time, both ends included.
int archiveQc(const QStringList& args, const ArchiveLocation& location)
{
    std::optional<Kit> kit;
    qc::Baseline baseline;
    QDateTime from, to;
    bool asJson = false;
    QStringList seen;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (seen.contains(arg))
            throw usage();
        seen << arg;
        if (arg == QLatin1String("--json")) {
            asJson = true;
            continue;
        }
        if (i + 1 >= args.size())
            throw usage();
        const QString& value = args.at(++i);
        if (arg == QLatin1String("--kit"))
            kit = kitOption(value);
        else if (arg == QLatin1String("--from"))
            from = dateOption(arg, value, false);
        else if (arg == QLatin1String("--to"))
            to = dateOption(arg, value, true);
        else if (arg == QLatin1String("--baseline"))
            baseline = baselineOption(value);
        else
            throw usage();
    }
    if (!kit)
        throw usage();

    Archive archive(location);
    archive.open();
    const qc::Result result = qc::analyse(*kit, controlPoints(archive, *kit), baseline, from, to);
    if (asJson)
        outBytes(json(result, from, to));
    else
        out(text(result, from, to));
    return 0;
}

} // namespace pleq::cli
