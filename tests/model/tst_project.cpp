#include "core/model/errors.h"
#include "core/kits/catalogue.h"
#include "core/model/project.h"
#include "support/resultwells.h"

#include <QSignalSpy>
#include <QTest>

using namespace pleq;

class TestProject : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initialState();
    void kitChange_data();
    void kitChange();
    void resets();
    void toInt_data();
    void toInt();
    void viewsCannotWrite_data();
    void viewsCannotWrite();
};

void TestProject::initialState()
{
    const Project p;
    QCOMPARE(p.kitRow(), kitRows().at(0));
    QCOMPARE(p.caption(), QStringLiteral("Проект [01 - Набор «Зорвал-SR»]"));
    QCOMPARE(p.plateName(), QStringLiteral("Новый"));
    QVERIFY(!p.horizontal());
    QCOMPARE(p.material(), Material::Serum);
    QCOMPARE(p.portNumber(), 0);
    // Headers of the three plate grids; the corners keep their blank form.
    for (const TextGrid* g : {&p.plateLayout(), &p.densityTable(), &p.resultTable()}) {
        QCOMPARE(g->cell(12, 0), QStringLiteral("12"));
        QCOMPARE(g->cell(0, 8), QStringLiteral("H"));
    }
    QCOMPARE(p.plateLayout().cell(0, 0), QStringLiteral(" - "));
    QCOMPARE(p.plateLayout().cell(5, 5), QStringLiteral(" - "));
    QVERIFY(p.densityTable().cell(0, 0).isEmpty());
    QVERIFY(p.resultTable().cell(3, 3).isEmpty());
    QCOMPARE(p.sampleTable().columnMajorTexts(), QStringList({"№", "1", "Проба ", "Проба №1", "Кол-во", "1"}));
    for (int l = 0; l < LabelCount; ++l)
        QCOMPARE(p.label(Label(l)).text, QStringLiteral("-"));
}

void TestProject::kitChange_data()
{
    // clang-format off
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("material");
    QTest::addColumn<bool>("horizontalOffered");
    QTest::newRow("01") << 0 << 1 << false << true;
    QTest::newRow("02") << 1 << 2 << false << true;
    QTest::newRow("03") << 2 << 3 << false << true;
    QTest::newRow("04") << 3 << 4 << true << true;
    QTest::newRow("05") << 4 << 5 << true << false;
    // clang-format on
}

void TestProject::kitChange()
{
    QFETCH(int, index);
    Project p;
    p.setHorizontal(true);
    p.setMaterial(Material::Milk);
    QSignalSpy kitSpy(&p, &Project::kitChanged);
    p.selectKit(Kit(index));
    QCOMPARE(kitSpy.count(), 1);
    QTEST(p.kitCode(), "code");
    QTEST(p.materialOffered(), "material");
    QTEST(p.horizontalOffered(), "horizontalOffered");
    QVERIFY(!p.horizontal());  // every kit change checks the vertical orientation
    QCOMPARE(p.material(), Material::Milk); // and keeps the material's item
    QCOMPARE(p.caption(), QStringLiteral("Проект [") + kitRows().at(index) + QStringLiteral("]"));
}

void TestProject::resets()
{
    Project p;
    p.plateLayout().setCell(1, 1, QStringLiteral("S+"));
    p.densityTable().setCell(1, 1, QStringLiteral("0,5"));
    test::setResult(p, 1, 1, 0.5, Verdict::Positive);
    p.setLabelText(Label::ot1, QStringLiteral("x"));
    p.setLabelColor(Label::ot1, LabelColor::Red);
    p.resetLabels();
    QCOMPARE(p.label(Label::ot1).text, QStringLiteral("-"));
    QCOMPARE(p.label(Label::ot1).color, LabelColor::Red); // colours stay
    QVERIFY(p.resultWells().at(1, 1).value);
    p.fillEmptyLayout();
    p.fillEmptyDensities();
    p.fillEmptyResults();
    QCOMPARE(p.plateLayout().cell(1, 1), QStringLiteral(" - "));
    QVERIFY(p.densityTable().cell(1, 1).isEmpty());
    QVERIFY(p.resultTable().cell(1, 1).isEmpty());
    QVERIFY(!p.resultWells().at(1, 1).value);
    QCOMPARE(p.resultTable().cell(1, 0), QStringLiteral("1"));
}

void TestProject::toInt_data()
{
    // clang-format off
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1 = conversion error
    QTest::newRow("plain") << "12" << 12;
    QTest::newRow("leading zero") << "01" << 1;
    QTest::newRow("sign") << "-3" << -3;
    QTest::newRow("plus") << "+4" << 4;
    QTest::newRow("leading blank") << " 7" << 7;
    QTest::newRow("empty") << "" << -1;
    QTest::newRow("letters") << "abc" << -1;
    QTest::newRow("trailing blank") << "7 " << -1;
    QTest::newRow("decimal") << "1.5" << -1;
    QTest::newRow("sign only") << "-" << -1;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("overflow") << "2147483648" << -1;
    QTest::newRow("huge") << "99999999999999999999" << -1;
    // clang-format on
}

void TestProject::toInt()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    if (value == -1) {
        try {
            pleq::toInt(text);
            QFAIL("no error");
        } catch (const Error& e) {
            QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
        }
    } else {
        QCOMPARE(pleq::toInt(text), value);
    }
}

void TestProject::viewsCannotWrite_data()
{
    QTest::addColumn<bool>("locked");
    QTest::newRow("unlocked") << false;
    QTest::newRow("locked") << true;
}

// A view's typing reaches the project only as a window's command: the grids
// themselves refuse a write through the model, locked or not.
void TestProject::viewsCannotWrite()
{
    QFETCH(bool, locked);
    Project p;
    p.setPlateLocked(locked);
    for (TextGrid* g : {&p.sampleTable(), &p.densityTable()}) {
        const QString before = g->cell(2, 1);
        QVERIFY(g->flags(g->index(1, 2)) & Qt::ItemIsEditable);
        QVERIFY(!g->setData(g->index(1, 2), QStringLiteral("0,7")));
        QCOMPARE(g->cell(2, 1), before);
    }
}

QTEST_GUILESS_MAIN(TestProject)
#include "tst_project.moc"
