#include "core/calc/precision.h"
#include "core/calc/resultcell.h"
#include "core/calc/steps.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "support/defaultlocale.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

using namespace pleq;

// The shared steps of the five kits: reading a density, the number text,
// the marked wells with their texts, the drawing rule of the result grid and
// what the layout makes of a well.
class TestCalcSteps : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setDecimalSeparator(std::nullopt); }
    void limits();
    void numberText_data();
    void numberText();
    void numberTextFollowsLocale_data();
    void numberTextFollowsLocale();
    void fixedText_data();
    void fixedText();
    void readDensity_data();
    void readDensity();
    void notADensity_data();
    void notADensity();
    void markedWell_data();
    void markedWell();
    void divisions();
    void drawnWell_data();
    void drawnWell();
    void wellKind_data();
    void wellKind();
};

// The limits in extended against the doubles a typed value becomes: which
// side of a check the boundary falls on depends on exactly this.
void TestCalcSteps::limits()
{
    QVERIFY(0.3 < Limit0_3); // C+ 0,3 passes kit 02, fails kit 03; N and M 0,3 pass
    QVERIFY(0.2 > Limit0_2); // Dn of the double 0.2 fails
    QVERIFY(0.1 > Limit0_1);
    QVERIFY(1.3 > Limit1_3); // x = 1,3 in kit 03 is positive, not doubtful
}

void TestCalcSteps::numberText_data()
{
    // clang-format off
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << "0";
    QTest::newRow("negative zero") << -0.0 << "0";
    QTest::newRow("two") << 2.0 << "2";
    QTest::newRow("hundred") << 100.0 << "100";
    QTest::newRow("one third") << 1.0 / 3 << "0,333333333333333";
    QTest::newRow("two thirds, last digit up") << 2.0 / 3 << "0,666666666666667";
    QTest::newRow("0.1 + 0.2 to 15 digits") << 0.1 + 0.2 << "0,3";
    QTest::newRow("density") << 0.734 << "0,734";
    QTest::newRow("negative") << -0.734 << "-0,734";
    QTest::newRow("fixed with decimals") << 1234.5678 << "1234,5678";
    QTest::newRow("kit 04 ratio") << 1.1 / 0.15 << "7,33333333333333";
    QTest::newRow("smallest fixed") << 0.0001 << "0,0001";
    QTest::newRow("small fixed, 15 digits") << 0.00012345678901234567 << "0,000123456789012346";
    QTest::newRow("rounds up to 0.0001") << std::nextafter(0.0001, 0.0) << "0,0001";
    QTest::newRow("below 0.0001") << 0.00009999 << "9,999E-5";
    QTest::newRow("5E-5") << 5e-5 << "5E-5";
    QTest::newRow("negative scientific") << -1.5e-7 << "-1,5E-7";
    QTest::newRow("largest fixed") << 999999999999999.0 << "999999999999999";
    QTest::newRow("rounds to 1E15") << 999999999999999.5 << "1E15";
    QTest::newRow("1E15") << 1e15 << "1E15";
    QTest::newRow("1,5E20") << 1.5e20 << "1,5E20";
    QTest::newRow("15 digits of 18") << 123456789012345678.0 << "1,23456789012346E17";
    QTest::newRow("1E100") << 1e100 << "1E100";
    QTest::newRow("largest double") << std::numeric_limits<double>::max() << "1,79769313486232E308";
    QTest::newRow("smallest double") << std::numeric_limits<double>::denorm_min() << "4,94065645841247E-324";
    // clang-format on
}

void TestCalcSteps::numberText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    setDecimalSeparator(QLatin1Char(','));
    QCOMPARE(pleq::numberText(value), text);
    setDecimalSeparator(QLatin1Char('.'));
    QCOMPARE(pleq::numberText(value), QString(text).replace(QLatin1Char(','), QLatin1Char('.')));
}

void TestCalcSteps::numberTextFollowsLocale_data()
{
    // clang-format off
    QTest::addColumn<QString>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("ru_RU fixed") << "ru_RU" << 0.95 << "0,95";
    QTest::newRow("ru_RU scientific") << "ru_RU" << 1.5e20 << "1,5E20";
    QTest::newRow("ru_RU no mark") << "ru_RU" << 150.0 << "150";
    QTest::newRow("C fixed") << "C" << 0.95 << "0.95";
    QTest::newRow("C scientific") << "C" << 1.5e20 << "1.5E20";
    QTest::newRow("C no mark") << "C" << 150.0 << "150";
    // clang-format on
}

// Without a fixed separator the number texts follow the user's locale, also
// when the C library's numeric locale is Russian.
void TestCalcSteps::numberTextFollowsLocale()
{
    QFETCH(QString, locale);
    QFETCH(double, value);
    const test::DefaultLocale user(locale);
    QTEST(pleq::numberText(value), "text");
}

void TestCalcSteps::fixedText_data()
{
    // clang-format off
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("mean, zeros kept") << 1.092 << 4 << "1,0920";
    QTest::newRow("mean, rounded") << 3.01004 << 4 << "3,0100";
    QTest::newRow("z") << 3.2049 << 2 << "3,20";
    QTest::newRow("negative z") << -2.345 << 2 << "-2,35";
    QTest::newRow("rounds to zero from below") << -0.004 << 2 << "0,00";
    QTest::newRow("whole") << 2.0 << 3 << "2,000";
    // clang-format on
}

// The control charts' figures: a fixed number of decimals with the mark of
// every other number text.
void TestCalcSteps::fixedText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    setDecimalSeparator(QLatin1Char(','));
    QCOMPARE(pleq::fixedText(value, decimals), text);
    setDecimalSeparator(QLatin1Char('.'));
    QCOMPARE(pleq::fixedText(value, decimals), QString(text).replace(QLatin1Char(','), QLatin1Char('.')));
}

void TestCalcSteps::readDensity_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("value");
    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("one digit counts as 0") << "1" << 0.0;
    QTest::newRow("one hyphen counts as 0") << "-" << 0.0;
    QTest::newRow("one blank counts as 0") << " " << 0.0;
    QTest::newRow("comma") << "1,0" << 1.0;
    QTest::newRow("full stop, as the reader sends") << "0.734" << 0.734;
    QTest::newRow("comma density") << "0,734" << 0.734;
    QTest::newRow("blanks around") << "  0,5  " << 0.5;
    QTest::newRow("plus sign") << "+2" << 2.0;
    QTest::newRow("minus sign") << "-0,25" << -0.25;
    QTest::newRow("two digits") << "12" << 12.0;
    QTest::newRow("exponent") << "1e3" << 1000.0;
    QTest::newRow("exponent with mark and sign") << "1,5E-2" << 0.015;
    QTest::newRow("mark first") << ",5" << 0.5;
    QTest::newRow("mark last") << "5." << 5.0;
    QTest::newRow("reader value") << "0.100" << 0.1;
    // Rounded to extended first: just above the halfway point between 1 and
    // the next double, the extended value is that halfway point, which then
    // rounds to even, 1.
    QTest::newRow("extended, then double")
        << "1.000000000000000111022302462515654042363166809082031251" << 1.0;
    // clang-format on
}

void TestCalcSteps::readDensity()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(pleq::readDensity(text), value);
}

void TestCalcSteps::notADensity_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    for (const char* text : {"abc", "  ", "1,2,3", "1.2,3", "1 000", "1,000.5", "1e", "e5", "--1", "+-1",
                             "0x10", "inf", "nan", "12a", "1e5000", "1E400", "0,5 5"})
        QTest::newRow(text) << QString::fromLatin1(text);
    QTest::newRow("full-width digits") << QStringLiteral("１２");
    // clang-format on
}

void TestCalcSteps::notADensity()
{
    QFETCH(QString, text);
    try {
        pleq::readDensity(text);
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid floating point value").arg(text));
    }
}

void TestCalcSteps::markedWell_data()
{
    // clang-format off
    QTest::addColumn<double>("marked");
    QTest::addColumn<bool>("doubtfulStep");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("text");
    const int none = int(Verdict::None), positive = int(Verdict::Positive), negative = int(Verdict::Negative),
              doubtful = int(Verdict::Doubtful);
    QTest::newRow("positive") << 0.5 << true << 0.5 << positive << "0,5";
    QTest::newRow("negative, with its blank") << -0.95 << false << 0.95 << negative << "0,95 ";
    QTest::newRow("empty well") << 0.0 << true << 0.0 << none << "0";
    QTest::newRow("negated empty well") << -0.0 << false << 0.0 << none << "0";
    QTest::newRow("doubtful, 3 decimals") << 10.0 + 0.6126 << true << 0.613 << doubtful << "(0,613)";
    QTest::newRow("doubtful") << 10.0 + 1.3 << true << 1.3 << doubtful << "(1,3)";
    QTest::newRow("exactly 10 is no mark") << 10.0 << true << 10.0 << positive << "10";
    QTest::newRow("above 10, doubtful whatever its origin") << 12.0 << true << 2.0 << doubtful << "(2)";
    QTest::newRow("kit 01 has no doubtful step") << 12.0 << false << 12.0 << positive << "12";
    QTest::newRow("negative above 10") << -12.0 << true << 12.0 << negative << "12 ";
    QTest::newRow("tiny negative") << -1.5e-7 << true << 1.5e-7 << negative << "1,5E-7 ";
    // clang-format on
}

void TestCalcSteps::markedWell()
{
    QFETCH(double, marked);
    QFETCH(bool, doubtfulStep);
    setDecimalSeparator(QLatin1Char(','));
    const WellResult well = pleq::markedWell(marked, doubtfulStep);
    QVERIFY(well.value);
    QTEST(*well.value, "value");
    QTEST(int(well.verdict), "verdict");
    QTEST(well.text(), "text");
}

void TestCalcSteps::divisions()
{
    QCOMPARE(double(divide(1.2L, 0.3L)), double(1.2L / 0.3L));
    const auto message = [](Extended a, Extended b) {
        try {
            divide(a, b);
        } catch (const Error& e) {
            return e.message();
        }
        return QString();
    };
    QCOMPARE(message(1, 0), QStringLiteral("Floating point division by zero"));
    QCOMPARE(message(-1, 0), QStringLiteral("Floating point division by zero"));
    QCOMPARE(message(0, 0), QStringLiteral("Invalid floating point operation"));
    QCOMPARE(message(0, 2), QString());
    // A quotient beyond the double's range stops the run instead of storing infinity.
    try {
        store(divide(1e300, 1e-300));
        QFAIL("no error");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("Floating point overflow"));
    }
}

void TestCalcSteps::drawnWell_data()
{
    // clang-format off
    QTest::addColumn<std::optional<double>>("value");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<QString>("layoutText");
    QTest::addColumn<bool>("current");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("color");
    const int green = int(CellColor::Green), red = int(CellColor::Red), maroon = int(CellColor::Maroon),
              black = int(CellColor::Black), white = int(CellColor::White);
    const int none = int(Verdict::None), positive = int(Verdict::Positive), negative = int(Verdict::Negative),
              doubtful = int(Verdict::Doubtful);
    using V = std::optional<double>;
    QTest::newRow("no result yet") << V() << none << "1.1" << false << "" << green;
    QTest::newRow("empty well's 0 blank") << V(0.0) << none << " - " << false << "" << green;
    QTest::newRow("zero density in a sample") << V(0.0) << none << "1.1" << false << "" << green;
    QTest::newRow("tiny number drawn") << V(1e-20) << positive << "1.1" << false << "1E-20" << green;
    QTest::newRow("positive") << V(0.5) << positive << "1.1" << false << "0,5" << green;
    QTest::newRow("negative") << V(0.95) << negative << "1.1" << false << "0,95 " << red;
    QTest::newRow("doubtful") << V(1.3) << doubtful << "2.1" << false << "(1,3)" << maroon;
    QTest::newRow("doubtful 0 is drawn") << V(0.0) << doubtful << "2.1" << false << "(0)" << maroon;
    QTest::newRow("negative control black") << V(0.9) << negative << "S+!" << false << "0,9 " << black;
    QTest::newRow("control O") << V(0.5) << positive << "O" << false << "0,5" << black;
    QTest::newRow("R+ control") << V(0.8) << positive << "R+" << false << "0,8" << black;
    QTest::newRow("current cell white") << V(0.95) << negative << "1.1" << true << "0,95 " << white;
    QTest::newRow("current control white") << V(0.3) << positive << "C+" << true << "0,3" << white;
    // clang-format on
}

void TestCalcSteps::drawnWell()
{
    QFETCH(std::optional<double>, value);
    QFETCH(int, verdict);
    QFETCH(QString, layoutText);
    QFETCH(bool, current);
    setDecimalSeparator(QLatin1Char(','));
    const DrawnCell cell = pleq::drawnWell(WellResult{value, Verdict(verdict)}, layoutText, current);
    QTEST(cell.text, "shown");
    QTEST(int(cell.color), "color");
}

// What a layout text makes of a well, and the sample it names: the number
// before the first ".", as the protocol lists the samples.
void TestCalcSteps::wellKind_data()
{
    // clang-format off
    QTest::addColumn<QString>("layoutText");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("sample"); // 0: none
    const int empty = int(WellKind::Empty), control = int(WellKind::Control), sample = int(WellKind::Sample);
    QTest::newRow("empty well") << " - " << empty << 0;
    QTest::newRow("first well of sample 1") << "1.1" << sample << 1;
    QTest::newRow("sample 12, second well") << "12.2" << sample << 12;
    QTest::newRow("no dot") << "7" << sample << 7;
    QTest::newRow("S+!") << "S+!" << control << 0;
    QTest::newRow("C-") << "C-" << control << 0;
    QTest::newRow("O") << "O" << control << 0;
    QTest::newRow("nothing before the dot") << ".1" << empty << 0;
    QTest::newRow("letter before the dot") << "A.1" << empty << 0;
    QTest::newRow("empty text") << "" << empty << 0;
    // clang-format on
}

void TestCalcSteps::wellKind()
{
    QFETCH(QString, layoutText);
    QFETCH(int, sample);
    QTEST(int(pleq::wellKind(layoutText)), "kind");
    QCOMPARE(pleq::sampleNumber(layoutText).value_or(0), sample);
}

QTEST_GUILESS_MAIN(TestCalcSteps)
#include "tst_calcsteps.moc"
