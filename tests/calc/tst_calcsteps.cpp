#include "core/calc/precision.h"
#include "core/calc/resultcell.h"
#include "core/calc/steps.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"

#include <QTest>

#include <cmath>
#include <limits>

using namespace pleq;

// The shared steps of the five kits: reading a density, the number text,
// the result forms and the drawing rule of the result grid.
class TestCalcSteps : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup() { setDecimalSeparator(std::nullopt); }
    void limits();
    void numberText_data();
    void numberText();
    void numberTextFollowsLocale();
    void readDensity_data();
    void readDensity();
    void notADensity_data();
    void notADensity();
    void resultText_data();
    void resultText();
    void divisions();
    void drawnWell_data();
    void drawnWell();
};

// The limits in extended against the doubles a typed value becomes: which
// side of a check the boundary falls on depends on exactly this.
void TestCalcSteps::limits()
{
    QVERIFY(0.3 < Limit0_3);  // C+ 0,3 passes kit 02, fails kit 03; N and M 0,3 pass
    QVERIFY(0.2 > Limit0_2);  // Dn of the double 0.2 fails
    QVERIFY(0.1 > Limit0_1);
    QVERIFY(1.3 > Limit1_3);  // x = 1,3 in kit 03 is positive, not doubtful
}

void TestCalcSteps::numberText_data()
{
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

// Without a fixed separator the number texts follow the user's locale, also
// when the C library's numeric locale is Russian.
void TestCalcSteps::numberTextFollowsLocale()
{
    const QString expected = QStringLiteral("0") + decimalSeparator() + QStringLiteral("5");
    QCOMPARE(pleq::numberText(0.5), expected);
}

void TestCalcSteps::readDensity_data()
{
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
}

void TestCalcSteps::readDensity()
{
    QFETCH(QString, text);
    QFETCH(double, value);
    QCOMPARE(pleq::readDensity(text), value);
}

void TestCalcSteps::notADensity_data()
{
    QTest::addColumn<QString>("text");
    for (const char* text : {"abc", "  ", "1,2,3", "1.2,3", "1 000", "1,000.5", "1e", "e5", "--1", "+-1",
                             "0x10", "inf", "nan", "12a", "1e5000", "1E400", "0,5 5"})
        QTest::newRow(text) << QString::fromLatin1(text);
    QTest::newRow("full-width digits") << QStringLiteral("１２");
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

void TestCalcSteps::resultText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("doubtfulStep");
    QTest::addColumn<QString>("text");
    QTest::newRow("positive") << 0.5 << true << "0,5";
    QTest::newRow("negative, with its blank") << -0.95 << false << "0,95 ";
    QTest::newRow("empty well") << 0.0 << true << "0";
    QTest::newRow("doubtful, 3 decimals") << 10.0 + 0.6126 << true << "(0,613)";
    QTest::newRow("doubtful") << 10.0 + 1.3 << true << "(1,3)";
    QTest::newRow("exactly 10 is no mark") << 10.0 << true << "10";
    QTest::newRow("above 10, doubtful whatever its origin") << 12.0 << true << "(2)";
    QTest::newRow("kit 01 has no doubtful step") << 12.0 << false << "12";
    QTest::newRow("negative above 10") << -12.0 << true << "12 ";
}

void TestCalcSteps::resultText()
{
    QFETCH(double, value);
    QFETCH(bool, doubtfulStep);
    QFETCH(QString, text);
    setDecimalSeparator(QLatin1Char(','));
    QCOMPARE(pleq::resultText(value, doubtfulStep), text);
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
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("layoutText");
    QTest::addColumn<bool>("current");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<int>("color");
    const int green = int(CellColor::Green), red = int(CellColor::Red), maroon = int(CellColor::Maroon),
              black = int(CellColor::Black), white = int(CellColor::White);
    QTest::newRow("empty well's 0 blank") << "0" << " - " << false << "" << green;
    QTest::newRow("zero density in a sample") << "0" << "1.1" << false << "" << green;
    QTest::newRow("tiny number drawn") << "1E-20" << "1.1" << false << "1E-20" << green;
    QTest::newRow("positive") << "0,5" << "1.1" << false << "0,5" << green;
    QTest::newRow("negative") << "0,95 " << "1.1" << false << "0,95 " << red;
    QTest::newRow("doubtful") << "(1,3)" << "2.1" << false << "(1,3)" << maroon;
    QTest::newRow("negative control black") << "0,9 " << "S+!" << false << "0,9 " << black;
    QTest::newRow("control O") << "0,5" << "O" << false << "0,5" << black;
    QTest::newRow("R+ control") << "0,8" << "R+" << false << "0,8" << black;
    QTest::newRow("current cell white") << "0,95 " << "1.1" << true << "0,95 " << white;
    QTest::newRow("current control white") << "0,3" << "C+" << true << "0,3" << white;
    QTest::newRow("text 00 is no zero") << "00" << " - " << false << "00" << green;
}

void TestCalcSteps::drawnWell()
{
    QFETCH(QString, text);
    QFETCH(QString, layoutText);
    QFETCH(bool, current);
    QFETCH(QString, shown);
    QFETCH(int, color);
    const DrawnCell cell = pleq::drawnWell(text, layoutText, current);
    QCOMPARE(cell.text, shown);
    QCOMPARE(int(cell.color), color);
}

QTEST_GUILESS_MAIN(TestCalcSteps)
#include "tst_calcsteps.moc"
