#include "core/calc/kits.h"

#include "core/calc/precision.h"
#include "core/calc/steps.h"
#include "core/kits/catalogue.h"
#include "core/model/project.h"

namespace pleq {

namespace {

// Kits 02 and 03 have one shape; they differ in the direction of the tests.
// In kit 02 the index falls as the density rises (high densities are
// negative), in kit 03 it rises with the density.
struct Kit0203 {
    bool kit03;
    QString cPlusMessage;
    QString ratioPassed;
    QString ratioFailed;
    QString ratioMessage;
    Extended lower; // x not above it: negative
    Extended upper; // x below it: doubtful; from it on: positive
};

const Kit0203& kit02()
{
    static const Kit0203 kit{
        false,
        QStringLiteral("Не верное значение коэффициента (C+).\n\r(C+)>0.3.\n\r Результат не действителен."),
        QStringLiteral("(C-)/(C+)   = "),
        QStringLiteral("(C-)/(C+) = "),
        QStringLiteral("Не верное отношение коэффициентов.\n\r(C-)/(C+)<5.\n\r Результат не действителен."),
        14,
        16,
    };
    return kit;
}

const Kit0203& kit03()
{
    static const Kit0203 kit{
        true,
        QStringLiteral("Не верное значение коэффициента (C+).\n\r(C+)<0.3.\n\r Результат не действителен."),
        QStringLiteral("(C+)/(C-)   = "),
        QStringLiteral("(C+)/(C-) = "),
        QStringLiteral("Не верное отношение коэффициентов.\n\r(C+)/(C-)<5.\n\r Результат не действителен."),
        1,
        Limit1_3,
    };
    return kit;
}

void run(const Kit0203& kit, Project& project, const MessageSink& message)
{
    DensityMatrix values = readDensities(project.densityTable());
    const TextGrid& layout = project.plateLayout();
    const double cPlus = controlValue(values, layout, u"C+");
    const double cMinus = controlValue(values, layout, u"C-");
    const double o = kit.kit03 ? controlValue(values, layout, u"O") : 0;

    project.setLabelColor(Label::s0, LabelColor::Green);
    project.setLabelColor(Label::s1, LabelColor::Green);
    project.setLabelText(Label::dC0, QString());
    project.setLabelText(Label::dC1, QString());

    // The 80-bit 0.3 lies just above the double 0.3: a C+ typed as 0,3 is below it.
    const bool cPlusPassed = kit.kit03 ? cPlus > Limit0_3 : cPlus < Limit0_3;
    if (!cPlusPassed) {
        project.setLabelColor(Label::s0, LabelColor::Red);
        message(kit.cPlusMessage);
    }

    project.setLabelText(Label::s0, QStringLiteral("C+  = ") + numberText(cPlus));
    project.setLabelText(Label::s1, QStringLiteral("C- = ") + numberText(cMinus));
    project.setLabelText(Label::s2, kit.kit03 ? QStringLiteral("O  = ") + numberText(o) : QStringLiteral("-"));
    project.setLabelText(Label::s3, QStringLiteral("-"));
    project.setLabelText(Label::s4, QStringLiteral("-"));
    project.setLabelText(Label::s5, QStringLiteral("-"));

    const double r = kit.kit03 ? store(divide(cPlus, cMinus)) : store(divide(cMinus, cPlus));
    const bool ratioPassed = kit.kit03 ? r >= 5 : r > 5;
    if (ratioPassed) {
        project.setLabelColor(Label::ot1, LabelColor::Green);
        project.setLabelText(Label::ot1, kit.ratioPassed + numberText(r));
    } else {
        project.setLabelColor(Label::ot1, LabelColor::Red);
        project.setLabelText(Label::ot1, kit.ratioFailed + numberText(r));
        message(kit.ratioMessage);
    }
    project.setLabelText(Label::dC0, QString());

    forEachWell([&](int col, int row) {
        double& v = values.at(col, row);
        // A layout text with one of the kit's control letters is no sample.
        if (containsAnyOf(layout.cell(col, row), kitEntry(project.kit()).controlLetters) || !(v > 0))
            return;
        // Kit 02: C+ as a percentage of the sample; kit 03: the sample over O.
        const double x = kit.kit03 ? store(divide(v, o)) : store(Extended(cPlus) / v * 100);
        if (x <= kit.lower)
            v = -v;
        else if (x < kit.upper)
            v = v + 10;
    });
    writeResults(project, values, true);
}

} // namespace

void calculateKit02(Project& project, const MessageSink& message)
{
    run(kit02(), project, message);
}

void calculateKit03(Project& project, const MessageSink& message)
{
    run(kit03(), project, message);
}

} // namespace pleq
