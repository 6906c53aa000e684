#include "gui/qc/controlchart.h"

#include "core/kits/catalogue.h"
#include "core/model/numberformat.h"

#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <algorithm>
#include <cmath>

namespace pleq {

namespace {

bool anyRejection(const qc::ChartPoint& point)
{
    return std::any_of(point.rules.begin(), point.rules.end(), qc::isRejection);
}

QString title(const qc::ControlChart& chart, const qc::Baseline& baseline)
{
    if (!chart.limits)
        return QStringLiteral("Контроль %1").arg(chart.control);
    return QStringLiteral("Контроль %1: среднее %2, SD %3 (базовый период: %4, точек: %5)")
        .arg(chart.control, fixedText(chart.limits->mean, 4), fixedText(chart.limits->sd, 4), baseline.text())
        .arg(chart.limits->points);
}

constexpr double LeftMargin = 60;   // the value labels
constexpr double RightMargin = 110; // the SD line labels
constexpr double TopMargin = 24;    // the title
constexpr double BottomMargin = 22; // the run numbers

} // namespace

namespace chart {

double Geometry::x(std::size_t index) const
{
    if (count <= 1)
        return plot.center().x();
    const double step = plot.width() / static_cast<double>(count);
    return plot.left() + step * (static_cast<double>(index) + 0.5);
}

double Geometry::y(double value) const
{
    return plot.bottom() - (value - low) / (high - low) * plot.height();
}

Geometry geometry(const QRectF& area, const qc::ControlChart& chart)
{
    Geometry g;
    g.plot = area.adjusted(LeftMargin, TopMargin, -RightMargin, -BottomMargin);
    g.count = chart.points.size();
    double low = 0;
    double high = 0;
    bool any = false;
    const auto take = [&](double value) {
        low = any ? std::min(low, value) : value;
        high = any ? std::max(high, value) : value;
        any = true;
    };
    if (chart.limits) {
        take(chart.limits->mean - 3.5 * chart.limits->sd);
        take(chart.limits->mean + 3.5 * chart.limits->sd);
    }
    for (const qc::ChartPoint& point : chart.points)
        take(point.mean);
    if (!any) {
        low = 0;
        high = 1;
    }
    const double pad = high > low ? (high - low) * 0.05 : std::max(std::abs(high) * 0.1, 0.1);
    g.low = low - pad;
    g.high = high + pad;
    return g;
}

namespace {

// The drawing steps of paint, in their order: each sets the pen it draws with.

void paintTitle(QPainter& painter, const QRectF& area, const qc::ControlChart& chart, const qc::Baseline& baseline)
{
    painter.setPen(Qt::black);
    painter.drawText(QRectF(area.left() + LeftMargin, area.top() + 2, area.width() - LeftMargin, TopMargin - 4),
                     Qt::AlignLeft | Qt::AlignVCenter, title(chart, baseline));
}

// The baseline's points on a shaded band, and the plot's frame.
void paintPlotArea(QPainter& painter, const Geometry& g, const qc::ControlChart& chart)
{
    for (std::size_t i = 0; i < chart.points.size(); ++i) {
        if (!chart.points[i].baseline)
            continue;
        const double half = g.count > 1 ? g.plot.width() / static_cast<double>(g.count) / 2 : g.plot.width() / 2;
        painter.fillRect(QRectF(g.x(i) - half, g.plot.top(), 2 * half, g.plot.height()), QColor(235, 240, 250));
    }
    painter.setPen(QPen(Qt::gray, 1));
    painter.drawRect(g.plot);
}

// The value axis: a few round values on the left.
void paintValueAxis(QPainter& painter, const QRectF& area, const Geometry& g)
{
    const double span = g.high - g.low;
    const double step = std::pow(10.0, std::floor(std::log10(span / 4)));
    const double niceStep = span / step > 20 ? step * 5 : span / step > 8 ? step * 2 : step;
    const int decimals = std::max(0, static_cast<int>(-std::floor(std::log10(niceStep))));
    painter.setPen(Qt::darkGray);
    for (double v = std::ceil(g.low / niceStep) * niceStep; v <= g.high; v += niceStep)
        painter.drawText(QRectF(area.left(), g.y(v) - 8, LeftMargin - 6, 16), Qt::AlignRight | Qt::AlignVCenter,
                         fixedText(v, decimals));
}

// The mean and the SD lines, labelled on the right; without limits, why not.
void paintLimits(QPainter& painter, const Geometry& g, const qc::ControlChart& chart)
{
    if (!chart.limits) {
        painter.setPen(Qt::darkRed);
        painter.drawText(g.plot.adjusted(8, 4, -8, -4), Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, chart.message);
        return;
    }
    struct Line {
        int k;
        QColor color;
        Qt::PenStyle style;
    };
    const Line lines[] = {{3, chart::RejectionColor, Qt::DashLine}, {2, chart::WarningColor, Qt::DashLine},
                          {1, QColor(150, 150, 150), Qt::DotLine},  {0, QColor(0, 130, 0), Qt::SolidLine},
                          {-1, QColor(150, 150, 150), Qt::DotLine}, {-2, chart::WarningColor, Qt::DashLine},
                          {-3, chart::RejectionColor, Qt::DashLine}};
    for (const Line& line : lines) {
        const double value = chart.limits->mean + line.k * chart.limits->sd;
        const double y = g.y(value);
        painter.setPen(QPen(line.color, line.k == 0 ? 1.5 : 1, line.style));
        painter.drawLine(QPointF(g.plot.left(), y), QPointF(g.plot.right(), y));
        const QString label = line.k == 0 ? QStringLiteral("среднее %1").arg(fixedText(value, 3))
                                          : QStringLiteral("%1%2 SD %3")
                                                .arg(line.k > 0 ? QStringLiteral("+") : QStringLiteral("−"))
                                                .arg(std::abs(line.k))
                                                .arg(fixedText(value, 3));
        painter.setPen(line.color.darker(120));
        painter.drawText(QRectF(g.plot.right() + 4, y - 8, RightMargin - 4, 16), Qt::AlignLeft | Qt::AlignVCenter,
                         label);
    }
}

// The run numbers under the points, as many as fit.
void paintRunNumbers(QPainter& painter, const Geometry& g, const qc::ControlChart& chart, const QFontMetricsF& metrics)
{
    painter.setPen(Qt::darkGray);
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00000")) + 6;
    const std::size_t every =
        g.count == 0
            ? 1
            : std::max<std::size_t>(
                1, static_cast<std::size_t>(std::ceil(labelWidth / (g.plot.width() / static_cast<double>(g.count)))));
    for (std::size_t i = 0; i < chart.points.size(); i += every)
        painter.drawText(QRectF(g.x(i) - labelWidth / 2, g.plot.bottom() + 2, labelWidth, BottomMargin - 4),
                         Qt::AlignHCenter | Qt::AlignTop, QString::number(chart.points[i].seq));
}

// The radius of a plain point: smaller where many points share the width.
double pointRadius(const Geometry& g)
{
    return g.count > 200 ? 2 : 3.5;
}

// The points joined in chain order, a flagged one larger in the colour of its worst rule.
void paintPoints(QPainter& painter, const Geometry& g, const qc::ControlChart& chart)
{
    painter.setClipRect(g.plot.adjusted(-6, -6, 6, 6));
    if (chart.points.size() > 1) {
        QPainterPath path(g.point(0, chart.points[0].mean));
        for (std::size_t i = 1; i < chart.points.size(); ++i)
            path.lineTo(g.point(i, chart.points[i].mean));
        painter.setPen(QPen(chart::PointColor, 1.2));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    const double radius = pointRadius(g);
    for (std::size_t i = 0; i < chart.points.size(); ++i) {
        const qc::ChartPoint& point = chart.points[i];
        const QPointF at = g.point(i, point.mean);
        if (point.rules.empty()) {
            painter.setPen(QPen(chart::PointColor, 1));
            painter.setBrush(chart::PointColor);
            painter.drawEllipse(at, radius, radius);
            continue;
        }
        const QColor color = anyRejection(point) ? chart::RejectionColor : chart::WarningColor;
        painter.setPen(QPen(color.darker(130), 1));
        painter.setBrush(color);
        painter.drawEllipse(at, radius + 2.5, radius + 2.5);
    }
    painter.setClipping(false);
}

// The rule names by flagged points: above, or below where that is off the
// plot or over the names of a point before.
void paintRuleNames(QPainter& painter, const Geometry& g, const qc::ControlChart& chart, const QFontMetricsF& metrics)
{
    const double radius = pointRadius(g);
    std::vector<QRectF> taken;
    for (std::size_t i = 0; i < chart.points.size(); ++i)
        if (!chart.points[i].rules.empty())
            taken.emplace_back(g.point(i, chart.points[i].mean) - QPointF(radius + 3, radius + 3),
                               QSizeF(2 * radius + 6, 2 * radius + 6));
    for (std::size_t i = 0; i < chart.points.size(); ++i) {
        const qc::ChartPoint& point = chart.points[i];
        if (point.rules.empty())
            continue;
        const QPointF at = g.point(i, point.mean);
        const QString names = qc::ruleNames(point.rules).join(QLatin1Char(' '));
        const double width = metrics.horizontalAdvance(names) + 4;
        const QRectF above(at.x() - width / 2, at.y() - 22, width, 14);
        const QRectF below(at.x() - width / 2, at.y() + 8, width, 14);
        const auto free = [&](const QRectF& box) {
            return std::none_of(taken.begin(), taken.end(), [&](const QRectF& t) { return t.intersects(box); });
        };
        const QRectF box = above.top() > g.plot.top() && (free(above) || !free(below)) ? above : below;
        taken.push_back(box);
        painter.setPen(anyRejection(point) ? chart::RejectionColor.darker(120) : chart::WarningColor.darker(140));
        painter.drawText(box, Qt::AlignCenter, names);
    }
}

} // namespace

void paint(QPainter& painter, const QRectF& area, const qc::ControlChart& chart, const qc::Baseline& baseline)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(area, Qt::white);
    const Geometry g = geometry(area, chart);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    const QFontMetricsF metrics(font);

    paintTitle(painter, area, chart, baseline);
    paintPlotArea(painter, g, chart);
    paintValueAxis(painter, area, g);
    paintLimits(painter, g, chart);
    paintRunNumbers(painter, g, chart, metrics);
    paintPoints(painter, g, chart);
    paintRuleNames(painter, g, chart, metrics);
    painter.restore();
}

QImage render(const qc::Result& result, int width, int chartHeight)
{
    const int count = std::max<int>(1, static_cast<int>(result.charts.size()));
    QImage image(width, chartHeight * count, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    for (int i = 0; i < static_cast<int>(result.charts.size()); ++i)
        paint(painter, QRectF(0, i * chartHeight, width, chartHeight), result.charts[std::size_t(i)], result.baseline);
    return image;
}

void paintPage(QPainter& painter, const QRectF& page, const qc::Result& result)
{
    // Laid out at screen size, then scaled to the page, so that text and lines keep their proportions.
    // A heading names the kit, so that a printed page stands on its own.
    const double width = 900;
    const double heading = 30;
    const double scale = page.width() / width;
    const double height = page.height() / scale - heading;
    const double chartHeight = height / std::max<double>(1, static_cast<double>(result.charts.size()));
    painter.save();
    painter.translate(page.topLeft());
    painter.scale(scale, scale);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.drawText(QRectF(0, 0, width, heading), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Контроль качества: %1").arg(kitEntry(result.kit).rowText()));
    for (std::size_t i = 0; i < result.charts.size(); ++i)
        paint(painter, QRectF(0, heading + static_cast<double>(i) * chartHeight, width, std::min(chartHeight, 320.0)),
              result.charts[i], result.baseline);
    painter.restore();
}

} // namespace chart

ControlChartView::ControlChartView(QWidget* parent)
    : QWidget(parent)
{
    setMinimumHeight(200);
    setMouseTracking(true);
}

void ControlChartView::setChart(const qc::ControlChart& chart, const qc::Baseline& baseline)
{
    m_chart = chart;
    m_baseline = baseline;
    setObjectName(QStringLiteral("qc.chart.") + chart.control);
    update();
}

QPointF ControlChartView::pointPosition(std::size_t index) const
{
    return chart::geometry(QRectF(rect()), m_chart).point(index, m_chart.points.at(index).mean);
}

QSize ControlChartView::sizeHint() const
{
    return {900, 240};
}

void ControlChartView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    chart::paint(painter, QRectF(rect()), m_chart, m_baseline);
}

bool ControlChartView::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto* help = static_cast<QHelpEvent*>(event);
    for (std::size_t i = 0; i < m_chart.points.size(); ++i) {
        if (QLineF(pointPosition(i), help->pos()).length() <= 7) {
            QToolTip::showText(help->globalPos(), pointText(m_chart.control, m_chart.points[i]), this);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

QString pointText(const QString& control, const qc::ChartPoint& point)
{
    QString text = QStringLiteral("№ %1, %2, %3 %4")
                       .arg(point.seq)
                       .arg(point.time.toString(QStringLiteral("dd.MM.yyyy HH:mm")), control, fixedText(point.mean, 4));
    if (point.z)
        text += QStringLiteral(", z = %1").arg(fixedText(*point.z, 2));
    if (!point.rules.empty())
        text += QStringLiteral(": ") + qc::ruleNames(point.rules).join(QStringLiteral(", "));
    return text;
}

} // namespace pleq
