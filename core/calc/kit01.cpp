#include "core/calc/kits.h"

#include "core/calc/precision.h"
#include "core/calc/steps.h"
#include "core/model/project.h"

namespace pleq {

namespace {

const QString Ratio1Message =
    QStringLiteral("Не верное отношение коэффициентов.\n\r(C-)/(S+)<2.\n\r Результат не действителен.");
const QString Ratio2Message =
    QStringLiteral("Не верное отношение коэффициентов.\n\r(C-!)/(R+!)<2.\n\r Результат не действителен.");

// The position that tells first from second wells: the column when the
// layout runs down the columns, the row when it runs along the rows.
int position(const Project& project, int col, int row)
{
    return project.horizontal() ? row : col;
}

// First wells lie at the parity of the "S+" well (the last one, as the
// control lookup takes it), so a layout begun in an even row or column is
// judged against the right cut-offs; with no "S+" well, odd positions.
int firstWellParity(const Project& project)
{
    int parity = 1;
    forEachWell([&](int col, int row) {
        if (project.plateLayout().cell(col, row) == QLatin1String("S+"))
            parity = position(project, col, row) % 2;
    });
    return parity;
}

} // namespace

void calculateKit01(Project& project, const MessageSink& message)
{
    DensityMatrix values = readDensities(project.densityTable());
    const TextGrid& layout = project.plateLayout();
    const double sPlus = controlValue(values, layout, u"S+");
    const double sPlus2 = controlValue(values, layout, u"S+!");
    const double rPlus = controlValue(values, layout, u"R+");
    const double rPlus2 = controlValue(values, layout, u"R+!");
    const double cMinus = controlValue(values, layout, u"C-");
    const double cMinus2 = controlValue(values, layout, u"C-!");

    project.setLabelText(Label::s0, QStringLiteral("S+  = ") + numberText(sPlus));
    project.setLabelText(Label::s1, QStringLiteral("S+! = ") + numberText(sPlus2));
    project.setLabelText(Label::s2, QStringLiteral("R+  = ") + numberText(rPlus));
    project.setLabelText(Label::s3, QStringLiteral("R+! = ") + numberText(rPlus2));
    project.setLabelText(Label::s4, QStringLiteral("C-  = ") + numberText(cMinus));
    project.setLabelText(Label::s5, QStringLiteral("C-! = ") + numberText(cMinus2));

    // All four quotients before any check: a zero S+ or R+! stops the run here.
    const double r1 = store(divide(cMinus, sPlus));
    const double r2 = store(divide(cMinus2, rPlus2));
    const double d1 = store(Extended(cMinus) / 1.5L);
    const double d2 = store(Extended(cMinus2) / 1.5L);

    if (r1 >= 2) {
        project.setLabelColor(Label::ot1, LabelColor::Green);
        project.setLabelText(Label::ot1, QStringLiteral("(C-)/(S+)   = ") + numberText(r1));
        project.setLabelText(Label::dC0, QStringLiteral("d(C-)  = ") + numberText(d1));
    } else {
        project.setLabelColor(Label::ot1, LabelColor::Red);
        project.setLabelText(Label::ot1, QStringLiteral("(C-)/(S+) = ") + numberText(r1));
        project.setLabelText(Label::dC0, QStringLiteral("d(C-)  = ?"));
        message(Ratio1Message);
    }
    if (r2 >= 2) {
        project.setLabelColor(Label::ot2, LabelColor::Green);
        project.setLabelText(Label::ot2, QStringLiteral("(C-!)/(R+!) = ") + numberText(r2));
        project.setLabelText(Label::dC1, QStringLiteral("d(C-!) = ") + numberText(d2));
    } else {
        project.setLabelColor(Label::ot2, LabelColor::Red);
        project.setLabelText(Label::ot2, QStringLiteral("(C-!)/(R+!) = ") + numberText(r2));
        project.setLabelText(Label::dC1, QStringLiteral("d(C-!) = ?"));
        message(Ratio2Message);
    }

    // Every well, controls and empty wells included, against the cut-off of
    // its kind; a value equal to the cut-off stays positive.
    const int firstParity = firstWellParity(project);
    forEachWell([&](int col, int row) {
        const double cutOff = position(project, col, row) % 2 == firstParity ? d1 : d2;
        double& v = values.at(col, row);
        if (v > cutOff)
            v = -v;
    });
    writeResults(project, values, false);
}

} // namespace pleq
