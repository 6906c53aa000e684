#include "core/calc/kits.h"
#include "core/kits/catalogue.h"

#include <QTest>

using namespace pleq;

namespace {

QStringList texts(std::span<const char* const> list)
{
    QStringList out;
    for (const char* text : list)
        out << QString::fromUtf8(text);
    return out;
}

QStringList texts(const std::array<const char*, LabelCount>& list)
{
    return texts(std::span<const char* const>(list));
}

} // namespace

// Every kit's entry, part by part, against what the lab knows of the kit:
// an entry that lost or swapped a part fails here by name.
class TestCatalogue : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void entries_data();
    void entries();
};

void TestCatalogue::entries_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("row");
    QTest::addColumn<bool>("material");
    QTest::addColumn<QString>("vertical");
    QTest::addColumn<QString>("horizontal");
    QTest::addColumn<void*>("calculation");
    QTest::addColumn<QString>("letters");
    QTest::addColumn<QStringList>("controls");
    QTest::addColumn<QStringList>("meanings");

    QTest::newRow("01") << 0 << "01 - Набор «Зорвал-SR»" << false << "N01Vert" << "N01Goriz"
                        << reinterpret_cast<void*>(&calculateKit01) << "SRC" << QStringList{"S+", "S+!", "R+", "R+!", "C-", "C-!"}
                        << QStringList{"S+", "S+!", "R+", "R+!", "C-", "C-!", "(C-)/(S+)", "(C-!)/(R+!)",
                                       "d(C-) = (C-)/1.5", "d(C-!) = (C-!)/1.5"};
    QTest::newRow("02") << 1 << "02 - Набор «Зорвал-К»" << false << "N02Vert" << "N02Goriz"
                        << reinterpret_cast<void*>(&calculateKit02) << "SRC" << QStringList{"C+", "C-"}
                        << QStringList{"C+", "C-", "", "", "", "", "(C-)/(C+)", "", "", ""};
    QTest::newRow("03") << 2 << "03 - Набор «Кимрен»" << false << "N03Vert" << "N03Goriz"
                        << reinterpret_cast<void*>(&calculateKit03) << "SOC" << QStringList{"C+", "C-", "O"}
                        << QStringList{"C+", "C-", "O", "", "", "", "(C+)/(C-)", "", "", ""};
    QTest::newRow("04") << 3 << "04 - (Скриннинг) Набор «Тальвик»" << true << "N04Vert" << "N04Goriz"
                        << reinterpret_cast<void*>(&calculateKit04) << "SRC" << QStringList{"C+", "C-"}
                        << QStringList{"((C+)+(C+))/2", "((C-)+(C-))/2", "", "", "", "", "(C+)/(C-)", "", "", ""};
    QTest::newRow("05") << 4 << "05 - (Верификация) Набор «Тальвик»" << true << "N05Vert" << ""
                        << reinterpret_cast<void*>(&calculateKit05) << "SRC" << QStringList{"C+", "C+!", "C-", "C-!"}
                        << QStringList{"(d(C+)+d(C+))/2", "d(C-) = (C-)-(C-!)", "", "", "((C-) + (C-!))/2", "", "", "",
                                       "", ""};
}

void TestCatalogue::entries()
{
    QFETCH(int, index);
    QFETCH(QString, row);
    QFETCH(bool, material);
    QFETCH(QString, vertical);
    QFETCH(QString, horizontal);
    QFETCH(void*, calculation);
    QFETCH(QString, letters);
    QFETCH(QStringList, controls);
    QFETCH(QStringList, meanings);

    QCOMPARE(int(kitCatalogue().size()), 5);
    const KitEntry& entry = kitEntry(Kit(index));
    QCOMPARE(int(entry.kit), index);
    QCOMPARE(entry.rowText(), row);
    QCOMPARE(entry.code(), row.left(2));
    QCOMPARE(kitRows().at(index), row);
    QCOMPARE(entry.materialOffered, material);
    QCOMPARE(QString::fromUtf8(entry.vertical->name), vertical);
    QVERIFY(!entry.vertical->horizontal);
    QCOMPARE(entry.horizontalOffered(), !horizontal.isEmpty());
    if (entry.horizontal) {
        QCOMPARE(QString::fromUtf8(entry.horizontal->name), horizontal);
        QVERIFY(entry.horizontal->horizontal);
    }
    // With no horizontal rule the vertical one runs whatever is chosen.
    QCOMPARE(QString::fromUtf8(entry.layout(true).name), horizontal.isEmpty() ? vertical : horizontal);
    QCOMPARE(reinterpret_cast<void*>(entry.calculate), calculation);
    QCOMPARE(QString::fromUtf16(entry.controlLetters), letters);
    QCOMPARE(texts(entry.controls), controls);
    QCOMPARE(texts(entry.labelMeanings), meanings);
}

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
