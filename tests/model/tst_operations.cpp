#include "core/files/projectfile.h"
#include "core/model/densityblock.h"
#include "core/layout/fill.h"
#include "core/model/errors.h"
#include "core/model/operations.h"
#include "core/model/project.h"

#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace pleq;

// The user operations through their core functions, as the windows and
// pleq-cli call them.
class TestOperations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void newProjectResetsOnlyLabels();
    void changeKit();
    void sampleRows_data();
    void sampleRows();
    void clearDensities();
    void refusedWhileLocked_data();
    void refusedWhileLocked();
};

namespace {

QStringList sampleRowTexts(const Project& p)
{
    QStringList rows;
    const TextGrid& s = p.sampleTable();
    for (int r = 1; r < s.rows(); ++r)
        rows << s.cell(0, r) + QLatin1Char('|') + s.cell(1, r) + QLatin1Char('|') + s.cell(2, r);
    return rows;
}

} // namespace

void TestOperations::newProjectResetsOnlyLabels()
{
    Project p;
    p.setLabelText(Label::ot1, QStringLiteral("(C-)/(S+)   = 4"));
    p.setLabelColor(Label::ot1, LabelColor::Green);
    p.densityTable().setCell(1, 1, QStringLiteral("0,3"));
    p.setPlateName(QStringLiteral("П-7"));
    newProject(p);
    QCOMPARE(p.label(Label::ot1).text, QStringLiteral("-"));
    QCOMPARE(p.label(Label::ot1).color, LabelColor::Green);
    QCOMPARE(p.densityTable().cell(1, 1), QStringLiteral("0,3"));
    QCOMPARE(p.plateName(), QStringLiteral("П-7"));
}

void TestOperations::changeKit()
{
    Project p;
    p.setHorizontal(true);
    p.plateLayout().setCell(1, 1, QStringLiteral("S+"));
    pleq::changeKit(p, Kit::K05);
    QCOMPARE(p.kitRow(), QStringLiteral("05 - (Верификация) Набор «Тальвик»"));
    QVERIFY(!p.horizontal());
    QVERIFY(!p.horizontalOffered());
    QVERIFY(p.materialOffered());
    QCOMPARE(p.plateLayout().cell(1, 1), QStringLiteral("S+")); // the map waits for the next fill
}

void TestOperations::sampleRows_data()
{
    // clang-format off
    QTest::addColumn<int>("start");  // rows before: "n|Проба n|q" for n = 1..start
    QTest::addColumn<QString>("op"); // "add" or "delete N"
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("add to one") << 1 << "add" << QStringList{"1|Проба 1|1", "2|Проба №2|1"};
    QTest::newRow("delete middle renumbers")
        << 3 << "delete 2" << QStringList{"1|Проба 1|1", "2|Проба 3|3"};
    QTest::newRow("delete last") << 2 << "delete 2" << QStringList{"1|Проба 1|1"};
    QTest::newRow("delete only row resets it") << 1 << "delete 1" << QStringList{"1|Проба крови №1|1"};
    QTest::newRow("delete past the end: nothing") << 2 << "delete 3" << QStringList{"1|Проба 1|1", "2|Проба 2|2"};
    QTest::newRow("delete row 0: nothing") << 2 << "delete 0" << QStringList{"1|Проба 1|1", "2|Проба 2|2"};
    // clang-format on
}

void TestOperations::sampleRows()
{
    QFETCH(int, start);
    QFETCH(QString, op);
    QFETCH(QStringList, expected);
    Project p;
    TextGrid& s = p.sampleTable();
    s.setRows(start + 1);
    for (int n = 1; n <= start; ++n) {
        s.setCell(0, n, QString::number(n));
        s.setCell(1, n, QStringLiteral("Проба %1").arg(n));
        s.setCell(2, n, QString::number(n));
    }
    if (op == QLatin1String("add"))
        QCOMPARE(addSampleRow(p), start + 1);
    else
        deleteSampleRow(p, op.section(QLatin1Char(' '), 1).toInt());
    QCOMPARE(sampleRowTexts(p), expected);
    QCOMPARE(s.cell(0, 0), QStringLiteral("№")); // the header stays
}

void TestOperations::clearDensities()
{
    Project p;
    p.densityTable().setCell(1, 1, QStringLiteral("0,3"));
    p.densityTable().setCell(12, 8, QStringLiteral("1.5"));
    pleq::clearDensities(p);
    QCOMPARE(p.densityTable().cell(1, 1), QString());
    QCOMPARE(p.densityTable().cell(12, 8), QString());
    QCOMPARE(p.densityTable().cell(12, 0), QStringLiteral("12"));
    QCOMPARE(p.densityTable().cell(0, 8), QStringLiteral("H"));
}

void TestOperations::refusedWhileLocked_data()
{
    // clang-format off
    QTest::addColumn<std::function<void(Project&)>>("operation");
    QTest::newRow("new") << std::function<void(Project&)>([](Project& p) { newProject(p); });
    QTest::newRow("kit change") << std::function<void(Project&)>([](Project& p) { pleq::changeKit(p, Kit::K03); });
    QTest::newRow("add row") << std::function<void(Project&)>([](Project& p) { addSampleRow(p); });
    QTest::newRow("delete row") << std::function<void(Project&)>([](Project& p) { deleteSampleRow(p, 1); });
    QTest::newRow("clear densities") << std::function<void(Project&)>([](Project& p) { pleq::clearDensities(p); });
    QTest::newRow("paste densities") << std::function<void(Project&)>([](Project& p) {
        pasteDensities(p, 1, 1, QStringLiteral("0,5\t0,6"));
    });
    QTest::newRow("clear density cells") << std::function<void(Project&)>([](Project& p) {
        clearDensityCells(p, {QPoint(1, 1)});
    });
    QTest::newRow("restore density cells") << std::function<void(Project&)>([](Project& p) {
        restoreDensityCells(p, {{1, 1, QStringLiteral("0,9")}});
    });
    QTest::newRow("fill") << std::function<void(Project&)>([](Project& p) { fillPlate(p); });
    QTest::newRow("open") << std::function<void(Project&)>([](Project& p) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("other.plq"));
        Project other;
        other.selectKit(Kit::K03);
        saveProject(other, path);
        openProject(p, path);
    });
    // clang-format on
}

// While the reader fills the densities nothing may change the plate: each
// operation refuses with the lock's message and leaves the project as it was.
void TestOperations::refusedWhileLocked()
{
    QFETCH(std::function<void(Project&)>, operation);
    Project p;
    p.densityTable().setCell(1, 1, QStringLiteral("0,3"));
    p.setLabelText(Label::s0, QStringLiteral("S+  = 0,3"));
    const QByteArray before = writeProjectFile(p);
    p.setPlateLocked(true);
    try {
        operation(p);
        QFAIL("the operation ran on a locked plate");
    } catch (const Error& e) {
        QCOMPARE(e.message(),
                 QStringLiteral("Идет получение данных с ридера. Дождитесь окончания или нажмите «Прервать»."));
    }
    QCOMPARE(writeProjectFile(p), before);
    QCOMPARE(p.label(Label::s0).text, QStringLiteral("S+  = 0,3"));
    p.setPlateLocked(false);
    operation(p); // and runs once the lock is gone
}

QTEST_GUILESS_MAIN(TestOperations)
#include "tst_operations.moc"
