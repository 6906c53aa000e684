#pragma once

#include "core/qc/controlquality.h"

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QWidget>

class QPainter;

namespace pleq {

// The Levey–Jennings chart of one control, painted with QPainter: the points
// in chain order joined by a line, the mean and ±1, ±2, ±3 SD lines labelled,
// the baseline's points on a shaded band, flagged points marked in the colour
// of their worst rule with the rule names above them.
namespace chart {
inline const QColor WarningColor{230, 140, 0}; // 1-2s alone
inline const QColor RejectionColor{210, 0, 0}; // any rejection rule
inline const QColor PointColor{20, 60, 160};

// Where the chart's parts lie in `area`.
struct Geometry {
    QRectF plot;    // the plotting area inside the axes and labels
    double low = 0; // the values at the plot's bottom and top
    double high = 1;
    std::size_t count = 0;
    double x(std::size_t index) const;
    double y(double value) const;
    QPointF point(std::size_t index, double value) const { return {x(index), y(value)}; }
};
Geometry geometry(const QRectF& area, const qc::ControlChart& chart);
void paint(QPainter& painter, const QRectF& area, const qc::ControlChart& chart, const qc::Baseline& baseline);

// Every chart of a result stacked, each `chartHeight` high, on white.
QImage render(const qc::Result& result, int width, int chartHeight);
// The same on a page (printing): the charts share the page's height.
void paintPage(QPainter& painter, const QRectF& page, const qc::Result& result);
} // namespace chart

class ControlChartView : public QWidget
{
    Q_OBJECT
public:
    explicit ControlChartView(QWidget* parent = nullptr);
    void setChart(const qc::ControlChart& chart, const qc::Baseline& baseline);
    const qc::ControlChart& controlChart() const { return m_chart; }
    // Where point `index` of the chart is drawn, in the view's coordinates.
    QPointF pointPosition(std::size_t index) const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override; // the tooltip of the point under the mouse

private:
    qc::ControlChart m_chart;
    qc::Baseline m_baseline;
};

// The text of a point for a tooltip and the list of flagged points:
// "№ 25, 12.03.2026 10:00, C+ 1,2345, z = 2,35: 1-2s".
QString pointText(const QString& control, const qc::ChartPoint& point);

} // namespace pleq
