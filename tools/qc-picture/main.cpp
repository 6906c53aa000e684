// qc-picture OUT.png: the "Контроль качества" charts of kit 03 over 40
// generated runs, drawn as "Сохранить PNG ..." draws them. The runs are the
// same on every machine (a fixed seed, mt19937 and Box–Muller), so the
// picture changes only when the drawing does.
#include "core/qc/controlquality.h"
#include "gui/qc/controlchart.h"

#include <QApplication>
#include <QHash>
#include <QTextStream>

#include <algorithm>

#include <cmath>
#include <numbers>
#include <random>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: qc-picture OUT.png\n";
        return 2;
    }

    std::mt19937 random(20261210);
    const auto normal = [&random] {
        const double u = (static_cast<double>(random()) + 1.0) / 4294967297.0;
        const double v = static_cast<double>(random()) / 4294967296.0;
        return std::sqrt(-2 * std::log(u)) * std::cos(2 * std::numbers::pi * v);
    };

    struct Control {
        const char* name;
        double mean, sd;
    };
    const Control controls[] = {{"C+", 1.20, 0.05}, {"C-", 0.15, 0.012}, {"O", 0.62, 0.03}};
    std::vector<pleq::qc::Point> points;
    const QDateTime start(QDate(2026, 9, 1), QTime(9, 30), Qt::UTC);
    for (int run = 1; run <= 40; ++run) {
        const QDateTime time = start.addDays(run + run / 5 * 2); // five plates a week
        for (const Control& control : controls) {
            double shift = 0;
            const QString name = QString::fromLatin1(control.name);
            // A kit lot going bad: the positive control drifts down after run 30,
            // one plate's negative control is far off.
            if (name == QLatin1String("C+") && run > 30)
                shift = -1.6 * control.sd;
            if (name == QLatin1String("C-") && run == 24)
                shift = 3.6 * control.sd;
            points.push_back({run, time, name, control.mean + shift + control.sd * 0.8 * normal()});
        }
    }
    const pleq::qc::Result result = pleq::qc::analyse(pleq::Kit::K03, points, pleq::qc::Baseline::firstRuns(20));
    // The 256 most frequent colours (the rest go to the nearest of them, not
    // dithered) and the strongest compression keep the picture small.
    const QImage drawn = pleq::chart::render(result, 900, 240);
    QHash<QRgb, int> counts;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            ++counts[drawn.pixel(x, y)];
    std::vector<std::pair<int, QRgb>> byCount;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        byCount.push_back({it.value(), it.key()});
    std::sort(byCount.begin(), byCount.end(), std::greater<>());
    QList<QRgb> palette;
    for (std::size_t i = 0; i < byCount.size() && i < 256; ++i)
        palette << byCount[i].second;
    const QImage image = drawn.convertToFormat(QImage::Format_Indexed8, palette, Qt::ThresholdDither | Qt::AvoidDither);
    if (!image.save(QString::fromLocal8Bit(argv[1]), "PNG", 0)) {
        QTextStream(stderr) << "qc-picture: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
