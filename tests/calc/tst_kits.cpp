#include "core/calc/calculation.h"
#include "core/calc/kits.h"
#include "core/calc/steps.h"
#include "core/model/numberformat.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "platefixture.h"
#include "support/defaultlocale.h"

#include <QLocale>
#include <QTest>

#include <memory>

using namespace pleq;
using test::layPlate;

namespace {

// The validity messages, by a short name in the tables.
const QHash<QString, QString>& messageTexts()
{
    static const QHash<QString, QString> texts = {
        {"01 r1", "Не верное отношение коэффициентов.\n\r(C-)/(S+)<2.\n\r Результат не действителен."},
        {"01 r2", "Не верное отношение коэффициентов.\n\r(C-!)/(R+!)<2.\n\r Результат не действителен."},
        {"02 C+", "Не верное значение коэффициента (C+).\n\r(C+)>0.3.\n\r Результат не действителен."},
        {"02 r", "Не верное отношение коэффициентов.\n\r(C-)/(C+)<5.\n\r Результат не действителен."},
        {"03 C+", "Не верное значение коэффициента (C+).\n\r(C+)<0.3.\n\r Результат не действителен."},
        {"03 r", "Не верное отношение коэффициентов.\n\r(C+)/(C-)<5.\n\r Результат не действителен."},
        {"04 P serum", "Не верное значение коэффициента ((C+)+(C+))/2.\n\r(C+)<0.5.\n\r Результат не действителен."},
        {"04 N serum", "Не верное значение коэффициента ((C-)+(C-))/2.\n\r(C-)>0.3.\n\r Результат не действителен."},
        {"04 P milk", "Не верное значение коэффициента (C+).\n\r(C+)<0.5.\n\r Результат не действителен."},
        {"04 N milk", "Не верное значение коэффициента (C-).\n\r(C-)>0.25.\n\r Результат не действителен."},
        {"04 r serum", "Не верное отношение коэффициентов.\n\r(C+)/(C-)<3.\n\r Результат не действителен."},
        {"04 r milk", "Не верное отношение коэффициентов.\n\r(C+)/(C-)<5.\n\r Результат не действителен."},
        {"05 Dp", "Не верное значение коэффициента (d(C+)+d(C+))/2\n\r<0.5.\n\r Результат не действителен."},
        {"05 Dn serum",
         "Не верное значение коэффициента d(C-) = (C-) - (C-!).\n\rd(C-)>0.2.\n\r Результат не действителен."},
        {"05 Dn milk",
         "Не верное значение коэффициента d(C-) = (C-) - (C-!).\n\rd(C-)>0.1.\n\r Результат не действителен."},
        {"05 M serum", "Не верное значение коэффициента ((C-) + (C-!))/2\n\r>0.3.\n\r Результат не действителен."},
        {"05 M milk", "Не верное значение коэффициента ((C-) + (C-!))/2\n\r>0.25.\n\r Результат не действителен."},
    };
    return texts;
}

const char* colorName(LabelColor color)
{
    return color == LabelColor::Green ? "green" : color == LabelColor::Red ? "red" : "default";
}

Label labelByName(const QString& name)
{
    for (int i = 0; i < LabelCount; ++i)
        if (name == QLatin1String(labelName(Label(i))))
            return Label(i);
    qFatal("no label %s", qPrintable(name));
}

// The plates of the kits' worked examples (comma texts, as typed under a Russian locale).
const char* const Kit01Example = "A1 S+ 0,3; A2 S+! 0,9; B1 R+ 0,8; B2 R+! 0,35; C1 C- 1,2; C2 C-! 1,05;"
                                 "D1 1.1 0,95; D2 1.1 0,5";
const char* const Kit05Controls = "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,25; C2 C-! 0,1;";

} // namespace

// Each kit's procedure on small plates: the worked examples and the cases that
// decide a check or a verdict. Before every run each label reads "old" and
// every result well "old", so what a run leaves alone shows.
class TestKits : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init() { setDecimalSeparator(QLatin1Char(',')); }
    void calculation_data();
    void calculation();
    void wellsOfTheResult();
    void lockedPlateRefused();
    void textsFollowTheLocale_data();
    void textsFollowTheLocale();
    void s2AndS3ShownAgain();
    void n05Delta_data();
    void n05Delta();
};

void TestKits::calculation_data()
{
    // clang-format off
    QTest::addColumn<int>("kit");
    QTest::addColumn<QString>("setting"); // "milk", "horizontal" or ""
    QTest::addColumn<QString>("wells");
    QTest::addColumn<QStringList>("labels");   // "name:text:colour[:hidden]"
    QTest::addColumn<QStringList>("messages"); // short names
    QTest::addColumn<QStringList>("results");  // "well:text"
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<QString>("error");        // with it, every result well keeps its earlier "42"

    using L = QStringList;

    // --- kit 01 ---
    QTest::newRow("01 worked example")
        << 1 << "" << Kit01Example
        << L{"s0:S+  = 0,3:default", "s1:S+! = 0,9:default", "s2:R+  = 0,8:default", "s3:R+! = 0,35:default",
             "s4:C-  = 1,2:default", "s5:C-! = 1,05:default", "ot1:(C-)/(S+)   = 4:green",
             "ot2:(C-!)/(R+!) = 3:green", "dC0:d(C-)  = 0,8:default", "dC1:d(C-!) = 0,7:default"}
        << L{} << L{"D1:0,95 ", "D2:0,5", "A2:0,9 ", "A1:0,3", "C1:1,2 ", "E1:0", "H12:0"} << L{} << "";
    QTest::newRow("01 r1 exactly 2 passes, cut-off two thirds")
        << 1 << "" << "A1 S+ 0,5; A2 S+! 0,1; B2 R+! 0,25; C1 C- 1,0; C2 C-! 0,5; D1 1.1 0,6666666666666667"
        << L{"ot1:(C-)/(S+)   = 2:green", "dC0:d(C-)  = 0,666666666666667:default", "ot2:(C-!)/(R+!) = 2:green"}
        << L{} << L{"D1:0,666666666666667 "} << L{} << "";
    QTest::newRow("01 both ratios just below 2 fail, cut-offs still used")
        << 1 << "" << "A1 S+ 0,5; B2 R+! 0,5; C1 C- 0,99999; C2 C-! 0,9; D1 1.1 0,6; D2 1.1 0,61"
        << L{"ot1:(C-)/(S+) = 1,99998:red", "dC0:d(C-)  = ?:default", "ot2:(C-!)/(R+!) = 1,8:red",
             "dC1:d(C-!) = ?:default"}
        << L{"01 r1", "01 r2"} << L{"D1:0,6", "D2:0,61 "} << L{} << "";
    QTest::newRow("01 no C- well: r1 0 fails, every odd well above 0 negative")
        << 1 << "" << "A1 S+ 0,5; B2 R+! 0,5; C2 C-! 1,5; D1 1.1 0,001; D2 1.1 0,6; E1 - 0,2"
        << L{"s4:C-  = 0:default", "ot1:(C-)/(S+) = 0:red", "dC0:d(C-)  = ?:default", "ot2:(C-!)/(R+!) = 3:green"}
        << L{"01 r1"} << L{"D1:0,001 ", "D2:0,6", "E1:0,2 ", "A1:0,5 ", "B2:0,5"} << L{} << "";
    QTest::newRow("01 density equal to the cut-off positive, a hair above negative")
        << 1 << "" << "A1 S+ 0,5; B2 R+! 0,5; C1 C- 1,5; C2 C-! 1,5; D1 1.1 1,0; D2 1.1 1,0; E1 2.1 1,0000000001"
        << L{"dC0:d(C-)  = 1:default", "dC1:d(C-!) = 1:default"}
        << L{} << L{"D1:1", "D2:1", "E1:1,0000000001 "} << L{} << "";
    QTest::newRow("01 horizontal: rows E and F against d1 and d2")
        << 1 << "horizontal" << "A1 S+ 0,5; B2 R+! 0,5; C1 C- 3,0; B1 S+! 0,1; D1 C-! 1,5; E1 1.1 1,5; F1 1.1 1,5"
        << L{"dC0:d(C-)  = 2:default", "dC1:d(C-!) = 1:default"}
        << L{} << L{"E1:1,5", "F1:1,5 "} << L{} << "";
    QTest::newRow("01 layout begun in an even column: first wells by the S+ well")
        << 1 << "" << "A2 S+ 0,5; A3 S+! 0,1; B2 R+ 0,5; B3 R+! 0,1; C2 C- 1,5; C3 C-! 0,3; D2 1.1 0,9; D3 1.1 0,5"
        << L{"dC0:d(C-)  = 1:default", "dC1:d(C-!) = 0,2:default"}
        << L{} << L{"D2:0,9", "D3:0,5 "} << L{} << "";
    QTest::newRow("01 layout begun in an even row, horizontal")
        << 1 << "horizontal" << "B1 S+ 0,5; C1 S+! 0,1; B2 R+ 0,5; C2 R+! 0,1; B3 C- 1,5; C3 C-! 0,3; B4 1.1 0,9; C4 1.1 0,5"
        << L{} << L{} << L{"B4:0,9", "C4:0,5 "} << L{} << "";
    QTest::newRow("01 density above 10 stays a plain number")
        << 1 << "" << "A1 S+ 10; B2 R+! 10; C1 C- 30; C2 C-! 30; D1 1.1 12"
        << L{} << L{} << L{"D1:12"} << L{} << "";
    QTest::newRow("01 last of several controls counts")
        << 1 << "" << "A1 S+ 9,0; B1 S+ 0,5; B2 R+! 0,5; C1 C- 1,5; C2 C-! 1,5"
        << L{"s0:S+  = 0,5:default", "ot1:(C-)/(S+)   = 3:green"} << L{} << L{} << L{} << "";
    QTest::newRow("01 empty densities: labels written, then 0/0")
        << 1 << "" << "A1 S+; A2 S+!; B1 R+; B2 R+!; C1 C-; C2 C-!"
        << L{"s0:S+  = 0:default", "s5:C-! = 0:default", "ot1:old:default", "dC0:old:default"}
        << L{} << L{} << L{} << "Invalid floating point operation";
    QTest::newRow("01 zero R+! stops before any check")
        << 1 << "" << "A1 S+ 0,5; B2 R+! 0,0; C1 C- 1,5; C2 C-! 1,5"
        << L{"s3:R+! = 0:default", "ot1:old:default", "ot2:old:default", "dC1:old:default"}
        << L{} << L{} << L{} << "Floating point division by zero";

    // --- kits 02 and 03 ---
    QTest::newRow("02 worked example")
        << 2 << "" << "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6; D1 2.1 1,3; E1 3.1 0,5"
        << L{"s0:C+  = 0,2:green", "s1:C- = 1,5:green", "s2:-:default", "s3:-:default", "s4:-:default",
             "s5:-:default", "ot1:(C-)/(C+)   = 7,5:green", "ot2:old:default", "dC0::default", "dC1::default"}
        << L{} << L{"C1:1,6 ", "D1:(1,3)", "E1:0,5", "A1:0,2", "B1:1,5", "F1:0"} << L{} << "";
    QTest::newRow("02 C+ exactly 0,3 passes")
        << 2 << "" << "A1 C+ 0,3; B1 C- 3,0" << L{"s0:C+  = 0,3:green", "ot1:(C-)/(C+)   = 10:green"}
        << L{} << L{} << L{} << "";
    QTest::newRow("02 C+ above 0,3 and ratio exactly 5 fail")
        << 2 << "" << "A1 C+ 0,31; B1 C- 1,55" << L{"s0:C+  = 0,31:red", "ot1:(C-)/(C+) = 5:red"}
        << L{"02 C+", "02 r"} << L{} << L{} << "";
    QTest::newRow("02 ratio 5 exactly fails")
        << 2 << "" << "A1 C+ 0,2; B1 C- 1,0" << L{"s0:C+  = 0,2:green", "ot1:(C-)/(C+) = 5:red"}
        << L{"02 r"} << L{} << L{} << "";
    QTest::newRow("02 O well is a sample, negative density unclassified")
        << 2 << "" << "A1 C+ 0,2; B1 C- 1,5; C1 O 1,6; D1 1.1 -0,5; E1 - 0,5"
        << L{} << L{} << L{"C1:1,6 ", "D1:0,5 ", "E1:0,5"} << L{} << "";
    QTest::newRow("02 C+ of 0 passes its check, then stops at the ratio")
        << 2 << "" << "A1 C+ 0,0; B1 C- 1,5; C1 1.1 0,5"
        << L{"s0:C+  = 0:green", "s1:C- = 1,5:green", "s5:-:default", "ot1:old:default", "dC0::default"}
        << L{} << L{} << L{} << "Floating point division by zero";
    QTest::newRow("03 worked example")
        << 3 << "" << "A1 C+ 1,8; B1 C- 0,2; C1 O 0,5; D1 1.1 0,45; E1 2.1 0,6; F1 3.1 0,8"
        << L{"s0:C+  = 1,8:green", "s1:C- = 0,2:green", "s2:O  = 0,5:default", "s3:-:default",
             "ot1:(C+)/(C-)   = 9:green", "ot2:old:default", "dC0::default"}
        << L{} << L{"D1:0,45 ", "E1:(0,6)", "F1:0,8", "C1:0,5"} << L{} << "";
    QTest::newRow("03 C+ exactly 0,3 fails")
        << 3 << "" << "A1 C+ 0,3; B1 C- 0,05; C1 O 1,0" << L{"s0:C+  = 0,3:red", "ot1:(C+)/(C-)   = 6:green"}
        << L{"03 C+"} << L{} << L{} << "";
    QTest::newRow("03 ratio exactly 5 passes")
        << 3 << "" << "A1 C+ 1,0; B1 C- 0,2; C1 O 1,0" << L{"ot1:(C+)/(C-)   = 5:green"} << L{} << L{} << L{} << "";
    QTest::newRow("03 ratio below 5 fails")
        << 3 << "" << "A1 C+ 0,99; B1 C- 0,2; C1 O 1,0" << L{"ot1:(C+)/(C-) = 4,95:red"} << L{"03 r"} << L{} << L{}
        << "";
    QTest::newRow("03 x = 1 negative, x = 1,3 positive, (0,613) rounding")
        << 3 << "" << "A1 C+ 1,0; B1 C- 0,1; C1 O 1,0; D1 1.1 1,0; E1 2.1 1,3; F1 3.1 1,29; G1 4.1 0,6126; H1 R+ 2,0"
        << L{} << L{} << L{"D1:1 ", "E1:1,3", "F1:(1,29)", "G1:0,6126 ", "H1:2"} << L{} << "";
    QTest::newRow("03 doubtful density rounded to 3 decimals")
        << 3 << "" << "A1 C+ 1,0; B1 C- 0,1; C1 O 0,5; D1 1.1 0,6126"
        << L{} << L{} << L{"D1:(0,613)"} << L{} << "";
    QTest::newRow("03 C- of 0 stops at the ratio")
        << 3 << "" << "A1 C+ 1,0; B1 C- 0,0; C1 O 0,5"
        << L{"s2:O  = 0,5:default", "ot1:old:default"} << L{} << L{} << L{} << "Floating point division by zero";
    QTest::newRow("03 O of 0 stops at the first sample above 0")
        << 3 << "" << "A1 C+ 1,0; B1 C- 0,1; C1 O 0,0; D1 1.1 0,0; E1 2.1 0,5"
        << L{"s2:O  = 0:default", "ot1:(C+)/(C-)   = 10:green"} << L{} << L{} << L{}
        << "Floating point division by zero";

    // --- kit 04 ---
    const QString kit04 = QStringLiteral("A1 C+ 1,2; B1 C+ 1,0; C1 C- 0,15; D1 C- 0,15;");
    QTest::newRow("04 worked example, serum")
        << 4 << "" << kit04 + "E1 1.1 0,3; F1 2.1 0,375; G1 3.1 0,6"
        << L{"s0:((C+)+(C+))/2 = 1,1:green", "s1:((C-)+(C-))/2 = 0,15:green", "s2::default:hidden",
             "s3::default:hidden", "s4::default", "s5::default", "ot1:(C+)/(C-)   = 7,33333333333333:green",
             "ot2:old:default", "dC0::default", "dC1::default"}
        << L{} << L{"E1:0,3 ", "F1:0,375", "G1:0,6", "A1:1,2", "H1:0"} << L{} << "";
    QTest::newRow("04 four C+ wells: the sum is halved all the same")
        << 4 << "" << "A1 C+ 1,0; B1 C+ 1,0; C1 C+ 1,0; D1 C+ 1,0; E1 C- 0,2; F1 C- 0,2"
        << L{"s0:((C+)+(C+))/2 = 2:green", "ot1:(C+)/(C-)   = 10:green"} << L{} << L{} << L{} << "";
    QTest::newRow("04 serum: N the double 0,3 passes, ratio below 3 fails")
        << 4 << "" << "A1 C+ 0,4; B1 C+ 0,4; C1 C- 0,3; D1 C- 0,3"
        << L{"s0:((C+)+(C+))/2 = 0,4:red", "s1:((C-)+(C-))/2 = 0,3:green", "ot1:(C+)/(C-) = 1,33333333333333:red"}
        << L{"04 P serum", "04 r serum"} << L{} << L{} << "";
    QTest::newRow("04 serum: N above 0,3 fails")
        << 4 << "" << "A1 C+ 2,0; B1 C+ 2,0; C1 C- 0,3; D1 C- 0,30001"
        << L{"s1:((C-)+(C-))/2 = 0,300005:red"} << L{"04 N serum"} << L{} << L{} << "";
    QTest::newRow("04 milk: N 0,25 passes, ratio 4 fails against 5")
        << 4 << "milk" << "A1 C+ 1,0; B1 C+ 1,0; C1 C- 0,25; D1 C- 0,25"
        << L{"s1:((C-)+(C-))/2 = 0,25:green", "ot1:(C+)/(C-) = 4:red"} << L{"04 r milk"} << L{} << L{} << "";
    QTest::newRow("04 milk: the double after 0,25 fails, P below 0,5 fails")
        << 4 << "milk" << "A1 C+ 0,2; B1 C+ 0,2; C1 C- 0,25; D1 C- 0,2500000000000001"
        << L{"s0:((C+)+(C+))/2 = 0,2:red", "s1:((C-)+(C-))/2 = 0,25:red"} << L{"04 P milk", "04 N milk", "04 r milk"}
        << L{} << L{} << "";
    QTest::newRow("04 sample of exactly 2,5 × N positive")
        << 4 << "" << "A1 C+ 1,0; B1 C+ 1,0; C1 C- 0,2; D1 C- 0,2; E1 1.1 0,5; F1 1.1 0,49999; G1 S+ 0,1"
        << L{} << L{} << L{"E1:0,5", "F1:0,49999 ", "G1:0,1"} << L{} << "";
    QTest::newRow("04 N of 0 stops at the ratio")
        << 4 << "" << "A1 C+ 1,0; B1 C+ 1,0; E1 1.1 0,5"
        << L{"s0:((C+)+(C+))/2 = 1:green", "s1:((C-)+(C-))/2 = 0:green", "s2::default:hidden", "ot1:old:default"}
        << L{} << L{} << L{} << "Floating point division by zero";
    QTest::newRow("04 P and N of 0: invalid operation")
        << 4 << "" << "E1 1.1 0,5" << L{"s0:((C+)+(C+))/2 = 0:red"} << L{"04 P serum"} << L{} << L{}
        << "Invalid floating point operation";

    // --- kit 05 ---
    QTest::newRow("05 worked example, serum")
        << 5 << "" << QString(Kit05Controls) + "D1 1.1 0,9; D2 1.1 0,3; E1 2.1 0,35; E2 2.1 0,2; F1 3.1 0,5; F2 3.1 0,2"
        << L{"s0:(d(C+)+d(C+))/2 = 1,2:green", "s1:d(C-) = (C-)-(C-!) = 0,15:green", "s2::default:hidden",
             "s3::default:hidden", "s4:((C-) + (C-!))/2 = 0,175:green", "s5::default", "ot1:old:default",
             "ot2:old:default", "dC0::default", "dC1::default"}
        << L{} << L{"D1:0,9", "D2:0,3", "E1:0,35 ", "E2:0,2 ", "F1:0,5 ", "F2:0,2 ", "A1:1,5", "G1:0"}
        << L{"1.1 = 3,42857142857143", "2.1 = 0,15", "3.1 = 1,71428571428571",
             "1.1 = 3,42857142857143", "2.1 = 0,15", "3.1 = 1,71428571428571"}
        << "";
    QTest::newRow("05 serum: Dn from 0,45 and 0,25 is the double 0,2 and fails")
        << 5 << "" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,45; C2 C-! 0,25"
        << L{"s1:d(C-) = (C-)-(C-!) = 0,2:red", "s4:((C-) + (C-!))/2 = 0,35:red"}
        << L{"05 Dn serum", "05 M serum"} << L{} << L{} << "";
    QTest::newRow("05 serum: M the double 0,3 passes")
        << 5 << "" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,3; C2 C-! 0,3"
        << L{"s1:d(C-) = (C-)-(C-!) = 0:green", "s4:((C-) + (C-!))/2 = 0,3:green"} << L{} << L{} << L{} << "";
    QTest::newRow("05 milk: Dn the double 0,1 fails")
        << 5 << "milk" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,1; C2 C-! 0,0"
        << L{"s1:d(C-) = (C-)-(C-!) = 0,1:red", "s4:((C-) + (C-!))/2 = 0,05:green"} << L{"05 Dn milk"} << L{}
        << L{} << "";
    QTest::newRow("05 milk: M 0,25 passes, Dn 0,3 - 0,2 just below 0,1 passes")
        << 5 << "milk" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,3; C2 C-! 0,2"
        << L{"s1:d(C-) = (C-)-(C-!) = 0,1:green", "s4:((C-) + (C-!))/2 = 0,25:green"} << L{} << L{} << L{} << "";
    QTest::newRow("05 milk: M above 0,25 fails, Dn 0,05 passes")
        << 5 << "milk" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,3; C2 C-! 0,25"
        << L{"s1:d(C-) = (C-)-(C-!) = 0,05:green", "s4:((C-) + (C-!))/2 = 0,275:red"} << L{"05 M milk"} << L{}
        << L{} << "";
    QTest::newRow("05 Dp below 0,5 fails")
        << 5 << "" << "A1 C+ 0,7; A2 C+! 0,3; B1 C+ 0,8; B2 C+! 0,3; C1 C- 0,1; C2 C-! 0,05"
        << L{"s0:(d(C+)+d(C+))/2 = 0,45:red"} << L{"05 Dp"} << L{} << L{} << "";
    QTest::newRow("05 difference exactly 0,2 goes to the ratio; ratio exactly 2 negative")
        << 5 << "" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,1; C2 C-! 0,1;"
                      "D1 1.1 0,5; D2 1.1 0,3; E1 2.1 0,5; E2 2.1 0,30001; F1 3.1 0,5; F2 3.1 0,29"
        << L{} << L{} << L{"D1:0,5 ", "D2:0,3 ", "E1:0,5 ", "F1:0,5", "F2:0,29"}
        << L{"1.1 = 2", "2.1 = 0,19999", "3.1 = 2,1", "1.1 = 2", "2.1 = 0,19999", "3.1 = 2,1"} << "";
    QTest::newRow("05 one C+ pair: Dp is half its difference and fails as missing")
        << 5 << "" << "A1 C+ 2,0; A2 C+! 0,5; C1 C- 0,1; C2 C-! 0,05"
        << L{"s0:(d(C+)+d(C+))/2 = 0,75:red"} << L{"05 Dp"} << L{} << L{} << "";
    QTest::newRow("05 a second C+ without its C+! fails despite a huge Dp")
        << 5 << "" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; C1 C- 0,1; C2 C-! 0,05"
        << L{"s0:(d(C+)+d(C+))/2 = 50,8:red"} << L{"05 Dp"} << L{} << L{} << "";
    QTest::newRow("05 density in an empty well judged by all empty wells")
        << 5 << "" << QString(Kit05Controls) + "H12 - 0,5"
        << L{} << L{} << L{"H12:0,5"} << L{" -  = 2,85714285714286"} << "";
    QTest::newRow("05 M of 0: small differences logged, then the first ratio stops")
        << 5 << "" << "A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; D1 1.1 0,3; D2 1.1 0,25; E1 2.1 0,9; E2 2.1 0,3"
        << L{"s4:((C-) + (C-!))/2 = 0:green", "s2::default:hidden"} << L{} << L{} << L{"1.1 = 0,05"}
        << "Floating point division by zero";
    // clang-format on
}

void TestKits::calculation()
{
    QFETCH(int, kit);
    QFETCH(QString, setting);
    QFETCH(QString, wells);
    QFETCH(QStringList, labels);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, results);
    QFETCH(QStringList, log);
    QFETCH(QString, error);

    Project project;
    test::selectKit(project, kit);
    project.setMaterial(setting == QLatin1String("milk") ? Material::Milk : Material::Serum);
    project.setHorizontal(setting == QLatin1String("horizontal"));
    layPlate(project, wells);
    for (int i = 0; i < LabelCount; ++i)
        project.setLabelText(Label(i), QStringLiteral("old"));
    PlateWells earlier;
    forEachWell([&](int col, int row) { earlier.at(col, row) = WellResult{42.0, Verdict::Positive}; });
    project.setResultWells(earlier);

    QStringList shown;
    const PlateResult result = calculatePlate(project, [&](const QString& text) { shown.append(text); });

    QCOMPARE(result.error.value_or(QString()), error);
    QStringList expectedMessages;
    for (const QString& name : messages)
        expectedMessages.append(messageTexts().value(name));
    QCOMPARE(result.messages, expectedMessages);
    QCOMPARE(shown, expectedMessages);
    QCOMPARE(result.log, log);
    QCOMPARE(project.readerLog(), log);
    for (const QString& expected : labels) {
        const QStringList parts = expected.split(QLatin1Char(':'));
        const SummaryLabel& label = project.label(labelByName(parts.at(0)));
        QCOMPARE(parts.at(0) + QLatin1Char(':') + label.text, parts.at(0) + QLatin1Char(':') + parts.at(1));
        QCOMPARE(parts.at(0) + QLatin1Char(' ') + QLatin1String(colorName(label.color)),
                 parts.at(0) + QLatin1Char(' ') + parts.at(2));
        QCOMPARE(label.visible, parts.size() < 4);
    }
    for (const QString& expected : results) {
        const qsizetype colon = expected.indexOf(QLatin1Char(':'));
        const QString well = expected.left(colon);
        QCOMPARE(well + QLatin1Char(':') + result.well(test::wellColumn(well), test::wellRow(well)).result.text(),
                 expected);
    }
    if (!error.isEmpty())
        forEachWell([&](int col, int row) {
            QCOMPARE(result.well(col, row).result.text(), QStringLiteral("42"));
            QCOMPARE(project.resultTable().cell(col, row), QStringLiteral("42"));
        });
}

// Each well of the kit 02 worked example as a value: its number, its class,
// what the layout holds there; the grid shows the empty well's "0" blank.
void TestKits::wellsOfTheResult()
{
    Project project;
    test::selectKit(project, 2);
    layPlate(project, "A1 C+ 0,2; B1 C- 1,5; C1 1.1 1,6; D1 2.1 1,3; E1 12.2 0,5; F1 - ; G1 3.1 -0,25; H1 O 1,6");
    const PlateResult result = calculatePlate(project, {});
    QVERIFY(!result.error);

    const struct {
        const char* well;
        std::optional<double> value;
        Verdict verdict;
        WellKind kind;
        std::optional<int> sample;
        const char* grid;
    } wells[] = {
        {"C1", 1.6, Verdict::Negative, WellKind::Sample, 1, "1,6 "},
        {"D1", 1.3, Verdict::Doubtful, WellKind::Sample, 2, "(1,3)"},
        {"E1", 0.5, Verdict::Positive, WellKind::Sample, 12, "0,5"},
        {"A1", 0.2, Verdict::Positive, WellKind::Control, std::nullopt, "0,2"},
        {"F1", 0.0, Verdict::None, WellKind::Empty, std::nullopt, ""},
        {"G1", 0.25, Verdict::Negative, WellKind::Sample, 3, "0,25 "},           // typed negative, never classified
        {"H1", 1.6, Verdict::Negative, WellKind::Control, std::nullopt, "1,6 "}, // "O" is a sample position in kit 02
    };
    for (const auto& w : wells) {
        const int col = test::wellColumn(QString::fromLatin1(w.well));
        const int row = test::wellRow(QString::fromLatin1(w.well));
        const PlateWell& got = result.well(col, row);
        QCOMPARE(got.result.value, w.value);
        QCOMPARE(got.result.verdict, w.verdict);
        QCOMPARE(got.kind, w.kind);
        QCOMPARE(got.sample, w.sample);
        QCOMPARE(project.resultTable().cell(col, row), QString::fromLatin1(w.grid));
        QCOMPARE(project.resultWells().at(col, row).value, w.value);
    }
    QCOMPARE(result.well(6, 1).result.text(), QStringLiteral("0"));
    QCOMPARE(result.labels[size_t(Label::ot1)].text, QStringLiteral("(C-)/(C+)   = 7,5"));
    QCOMPARE(result.labels[size_t(Label::ot1)].color, LabelColor::Green);
}

// While the reader fills the plate "Расчет" is refused before anything changes.
void TestKits::lockedPlateRefused()
{
    Project project;
    layPlate(project, Kit01Example);
    project.setPlateLocked(true);
    try {
        calculatePlate(project, {});
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), Project::PlateLockedMessage);
    }
    QCOMPARE(project.label(Label::s0).text, QStringLiteral("-"));
    QVERIFY(!project.resultWells().at(1, 4).value);
    project.setPlateLocked(false);
    QCOMPARE(calculatePlate(project, {}).well(1, 4).result.text(), QStringLiteral("0,95 ")); // D1
}

// With no separator fixed, labels, results and log lines carry the user's
// locale's mark: the comma under ru_RU, the full stop under C.
void TestKits::textsFollowTheLocale_data()
{
    // clang-format off
    QTest::addColumn<QString>("locale");
    QTest::addColumn<bool>("comma");
    QTest::newRow("ru_RU") << "ru_RU" << true;
    QTest::newRow("C") << "C" << false;
    // clang-format on
}

void TestKits::textsFollowTheLocale()
{
    QFETCH(QString, locale);
    QFETCH(bool, comma);
    const test::DefaultLocale user(locale);
    setDecimalSeparator(std::nullopt);

    Project project;
    test::selectKit(project, 3);
    layPlate(project, "A1 C+ 1,8; B1 C- 0,2; C1 O 0,5; D1 1.1 0,45; E1 2.1 0,6");
    const PlateResult result = calculatePlate(project, {});
    QCOMPARE(result.labels[size_t(Label::s0)].text, comma ? QStringLiteral("C+  = 1,8") : QStringLiteral("C+  = 1.8"));
    QCOMPARE(result.well(1, 4).result.text(), comma ? QStringLiteral("0,45 ") : QStringLiteral("0.45 "));
    QCOMPARE(result.well(1, 5).result.text(), comma ? QStringLiteral("(0,6)") : QStringLiteral("(0.6)"));

    test::selectKit(project, 5);
    layPlate(project, QString(Kit05Controls) + "D1 1.1 0,9; D2 1.1 0,3");
    const QStringList log = calculatePlate(project, {}).log;
    QCOMPARE(log.value(0), comma ? QStringLiteral("1.1 = 3,42857142857143") : QStringLiteral("1.1 = 3.42857142857143"));
    QCOMPARE(log.size(), 2);
    setDecimalSeparator(QLatin1Char(',')); // as the other cases have it
}

// Kits 04 and 05 hide s2 and s3; the next run shows both again.
void TestKits::s2AndS3ShownAgain()
{
    Project project;
    test::selectKit(project, 4);
    layPlate(project, "A1 C+ 1,0; B1 C+ 1,0; C1 C- 0,1; D1 C- 0,1");
    calculatePlate(project, {});
    QVERIFY(!project.label(Label::s2).visible);
    QVERIFY(!project.label(Label::s3).visible);
    test::selectKit(project, 2);
    calculatePlate(project, {});
    QVERIFY(project.label(Label::s2).visible);
    QVERIFY(project.label(Label::s3).visible);
}

void TestKits::n05Delta_data()
{
    // clang-format off
    QTest::addColumn<QString>("wells");
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("delta");
    QTest::newRow("pair") << "D1 1.1 0,9; D2 1.1 0,3" << "1.1" << 0.9 - 0.3;
    QTest::newRow("pair, second larger") << "D1 1.1 0,3; D2 1.1 0,9" << "1.1" << 0.9 - 0.3;
    QTest::newRow("negated first well") << "D1 1.1 -0,9; D2 1.1 0,3" << "1.1" << 0.9 - 0.3;
    QTest::newRow("four wells (repetitions 02)")
        << "D1 1.1 2,0; D2 1.1 0,5; E1 1.1 0,25; E2 1.1 0,125" << "1.1" << 2 - 0.25 - 0.5 - 0.125;
    QTest::newRow("no well") << "D1 1.1 0,9" << "2.1" << 99.0;
    QTest::newRow("single well") << "D1 1.1 0,9" << "1.1" << 0.9;
    // clang-format on
}

void TestKits::n05Delta()
{
    QFETCH(QString, wells);
    QFETCH(QString, text);
    QFETCH(double, delta);
    Project project;
    layPlate(project, wells);
    QCOMPARE(kit05Delta(readDensities(project.densityTable()), project.plateLayout(), text), delta);
}

QTEST_GUILESS_MAIN(TestKits)
#include "tst_kits.moc"
