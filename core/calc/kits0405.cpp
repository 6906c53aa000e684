#include "core/calc/kits.h"

#include "core/calc/precision.h"
#include "core/calc/steps.h"
#include "core/kits/catalogue.h"
#include "core/model/project.h"

#include <cmath>

namespace pleq {

namespace {

// Kits 04 and 05 take their limits from the material: "Молоко" or "Сыворотка".
bool milk(const Project& project)
{
    return project.material() == Material::Milk;
}

void hideThirdAndFourth(Project& project)
{
    project.setLabelVisible(Label::s2, false);
    project.setLabelVisible(Label::s3, false);
}

} // namespace

void calculateKit04(Project& project, const MessageSink& message)
{
    DensityMatrix values = readDensities(project.densityTable());
    const TextGrid& layout = project.plateLayout();

    // The sums run as doubles; each is halved whatever the number of wells.
    double sumPlus = 0;
    double sumMinus = 0;
    forEachWell([&](int col, int row) {
        const QString& text = layout.cell(col, row);
        if (text == QLatin1String("C+"))
            sumPlus = store(sumPlus + values.at(col, row));
        else if (text == QLatin1String("C-"))
            sumMinus = store(sumMinus + values.at(col, row));
    });
    const double p = store(Extended(sumPlus) / 2);
    const double n = store(Extended(sumMinus) / 2);

    project.setLabelColor(Label::s0, LabelColor::Green);
    project.setLabelColor(Label::s1, LabelColor::Green);
    project.setLabelText(Label::dC0, QString());
    project.setLabelText(Label::dC1, QString());

    if (p < 0.5) {
        project.setLabelColor(Label::s0, LabelColor::Red);
        message(
            milk(project)
                ? QStringLiteral("Не верное значение коэффициента (C+).\n\r(C+)<0.5.\n\r Результат не действителен.")
                : QStringLiteral(
                    "Не верное значение коэффициента ((C+)+(C+))/2.\n\r(C+)<0.5.\n\r Результат не действителен."));
    }
    // Serum: the 80-bit 0.3 lies above the double 0.3, so an N of 0,3 passes.
    if (milk(project) ? n > 0.25 : n > Limit0_3) {
        project.setLabelColor(Label::s1, LabelColor::Red);
        message(
            milk(project)
                ? QStringLiteral("Не верное значение коэффициента (C-).\n\r(C-)>0.25.\n\r Результат не действителен.")
                : QStringLiteral(
                    "Не верное значение коэффициента ((C-)+(C-))/2.\n\r(C-)>0.3.\n\r Результат не действителен."));
    }

    project.setLabelText(Label::s0, QStringLiteral("((C+)+(C+))/2 = ") + numberText(p));
    project.setLabelText(Label::s1, QStringLiteral("((C-)+(C-))/2 = ") + numberText(n));
    for (const Label l : {Label::s2, Label::s3, Label::s4, Label::s5})
        project.setLabelText(l, QString());
    hideThirdAndFourth(project);

    const double r = store(divide(p, n));
    if (r >= (milk(project) ? 5 : 3)) {
        project.setLabelColor(Label::ot1, LabelColor::Green);
        project.setLabelText(Label::ot1, QStringLiteral("(C+)/(C-)   = ") + numberText(r));
    } else {
        project.setLabelColor(Label::ot1, LabelColor::Red);
        project.setLabelText(Label::ot1, QStringLiteral("(C+)/(C-) = ") + numberText(r));
        message(
            milk(project)
                ? QStringLiteral("Не верное отношение коэффициентов.\n\r(C+)/(C-)<5.\n\r Результат не действителен.")
                : QStringLiteral("Не верное отношение коэффициентов.\n\r(C+)/(C-)<3.\n\r Результат не действителен."));
    }
    project.setLabelText(Label::dC0, QString());

    forEachWell([&](int col, int row) {
        double& v = values.at(col, row);
        if (containsAnyOf(layout.cell(col, row), kitEntry(project.kit()).controlLetters) || !(v > 0))
            return;
        const double x = store(divide(v, n));
        if (x < 2.5)
            v = -v;
    });
    writeResults(project, values, true);
}

double kit05Delta(const DensityMatrix& densities, const TextGrid& layout, const QString& text)
{
    // The accumulator is a double; a well counts as the first while it holds −99.
    double accumulator = -99;
    forEachWell([&](int col, int row) {
        if (layout.cell(col, row) != text)
            return;
        const double a = std::fabs(densities.at(col, row));
        if (accumulator == -99)
            accumulator = a;
        else
            accumulator = accumulator - a;
    });
    return std::fabs(accumulator);
}

void calculateKit05(Project& project, const MessageSink& message)
{
    DensityMatrix values = readDensities(project.densityTable());
    const TextGrid& layout = project.plateLayout();

    // The first two "C+" and the first two "C+!" wells; −99 stands for a missing one.
    double plus[2] = {-99, -99};
    double plusSecond[2] = {-99, -99};
    int plusCount = 0;
    int plusSecondCount = 0;
    double cMinus = 0;
    double cMinus2 = 0;
    forEachWell([&](int col, int row) {
        const QString& text = layout.cell(col, row);
        const double v = values.at(col, row);
        if (text == QLatin1String("C+")) {
            if (plusCount < 2)
                plus[plusCount] = v;
            ++plusCount;
        } else if (text == QLatin1String("C+!")) {
            if (plusSecondCount < 2)
                plusSecond[plusSecondCount] = v;
            ++plusSecondCount;
        } else if (text == QLatin1String("C-")) {
            cMinus = v;
        } else if (text == QLatin1String("C-!")) {
            cMinus2 = v;
        }
    });
    const double dp = store(((Extended(plus[0]) - plusSecond[0]) + (Extended(plus[1]) - plusSecond[1])) / 2);
    const double m = store((Extended(cMinus) + cMinus2) / 2);
    const double dn = store(Extended(cMinus) - cMinus2);

    project.setLabelColor(Label::s0, LabelColor::Green);
    project.setLabelColor(Label::s1, LabelColor::Green);
    project.setLabelText(Label::dC0, QString());
    project.setLabelText(Label::dC1, QString());
    project.setLabelColor(Label::s4, LabelColor::Green);

    // A missing positive control never passes, whatever its −99 stand-ins
    // make of Dp.
    if (dp < 0.5 || plusCount < 2 || plusSecondCount < 2) {
        project.setLabelColor(Label::s0, LabelColor::Red);
        message(
            QStringLiteral("Не верное значение коэффициента (d(C+)+d(C+))/2\n\r<0.5.\n\r Результат не действителен."));
    }
    // The doubles nearest 0.2 and 0.1 lie above their 80-bit values and fail.
    if (dn > (milk(project) ? Limit0_1 : Limit0_2)) {
        project.setLabelColor(Label::s1, LabelColor::Red);
        message(
            milk(project) ? QStringLiteral(
                "Не верное значение коэффициента d(C-) = (C-) - (C-!).\n\rd(C-)>0.1.\n\r Результат не действителен.")
                          : QStringLiteral("Не верное значение коэффициента d(C-) = (C-) - (C-!).\n\rd(C-)>0.2.\n\r "
                                           "Результат не действителен."));
    }
    if (m > (milk(project) ? Extended(0.25) : Limit0_3)) {
        project.setLabelColor(Label::s4, LabelColor::Red);
        message(milk(project)
                    ? QStringLiteral(
                        "Не верное значение коэффициента ((C-) + (C-!))/2\n\r>0.25.\n\r Результат не действителен.")
                    : QStringLiteral(
                        "Не верное значение коэффициента ((C-) + (C-!))/2\n\r>0.3.\n\r Результат не действителен."));
    }

    project.setLabelText(Label::s0, QStringLiteral("(d(C+)+d(C+))/2 = ") + numberText(dp));
    project.setLabelText(Label::s1, QStringLiteral("d(C-) = (C-)-(C-!) = ") + numberText(dn));
    project.setLabelText(Label::s2, QString());
    project.setLabelText(Label::s3, QString());
    project.setLabelText(Label::s4, QStringLiteral("((C-) + (C-!))/2 = ") + numberText(m));
    project.setLabelText(Label::s5, QString());
    hideThirdAndFourth(project);

    // Each sample well by the difference of its wells; both wells of a pair
    // give the same difference, so both get the same verdict and log line.
    forEachWell([&](int col, int row) {
        const QString& text = layout.cell(col, row);
        double& v = values.at(col, row);
        if (containsAnyOf(text, kitEntry(project.kit()).controlLetters) || !(v > 0))
            return;
        const double delta = kit05Delta(values, layout, text);
        double logged = delta;
        if (delta < Limit0_2) {
            v = -v;
        } else {
            const double ratio = store(divide(delta, m));
            if (ratio <= 2)
                v = -v;
            logged = ratio;
        }
        project.appendLog(text + QStringLiteral(" = ") + numberText(logged));
    });
    writeResults(project, values, true);
}

} // namespace pleq
