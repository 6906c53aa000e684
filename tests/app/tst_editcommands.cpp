#include "core/layout/fill.h"
#include "core/model/numberformat.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "gui/commands/windowedits.h"
#include "gui/commands/gridcommands.h"
#include "gui/commands/settingcommands.h"
#include "support/projectstate.h"
#include "support/recordingdialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace pleq;

// Builds the command of one row on the project, after setting up what the row needs.
using MakeCommand = std::function<std::unique_ptr<ProjectCommand>(Project&)>;
Q_DECLARE_METATYPE(MakeCommand)

class TestEditCommands : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();
    void undoRedo_data();
    void undoRedo();
    void typingIsOneStep();
    void refusedWhileLocked();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Project> m_project;
    std::unique_ptr<EditStack> m_edits;
};

void TestEditCommands::initTestCase()
{
    setDecimalSeparator(QLatin1Char(','));
    QFile file(m_dir.filePath(QStringLiteral("export.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("A1;0,123\r\nB1;0,456\r\n");
}

// Kit 01 laid out from A1 for one sample, densities in A1, B1 and H12, executor
// "Иванова", a run's labels and results: every part a command could touch
// wrongly holds something.
void TestEditCommands::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_project = std::make_unique<Project>();
    m_edits = std::make_unique<EditStack>(*m_project);
    m_project->setExecutor(QStringLiteral("Иванова"));
    fillPlate(*m_project);
    m_project->densityTable().setCell(1, 1, QStringLiteral("0,5"));
    m_project->densityTable().setCell(1, 2, QStringLiteral("0,6"));
    m_project->densityTable().setCell(12, 8, QStringLiteral("0,9"));
    m_project->setLabelText(Label::s0, QStringLiteral("S+  = 0,5"));
    PlateWells wells;
    wells.at(1, 1) = {0.5, Verdict::Positive};
    m_project->setResultWells(wells);
}

void TestEditCommands::cleanup()
{
    m_edits.reset();
    m_project.reset();
    m_dialogs.reset();
}

void TestEditCommands::undoRedo_data()
{
    // clang-format off
    QTest::addColumn<MakeCommand>("make");
    QTest::addColumn<QString>("step"); // the text "Отменить: ..." names
    QTest::addColumn<QStringList>("changed");

    // clang-format off
    QTest::newRow("executor") << MakeCommand([](Project& p) { return std::make_unique<ExecutorEdit>(p, "Петров"); })
        << "Исполнитель" << QStringList{"executor=Петров"};
    QTest::newRow("plate name") << MakeCommand([](Project& p) { return std::make_unique<PlateNameEdit>(p, "Стадо 4"); })
        << "Наименование" << QStringList{"plate name=Стадо 4"};
    QTest::newRow("first well") << MakeCommand([](Project& p) { return std::make_unique<FirstWellChoice>(p, FirstWell{3, 5}); })
        << "Первая лунка" << QStringList{"first well=C5"};
    QTest::newRow("repetitions") << MakeCommand([](Project& p) { return std::make_unique<RepetitionsChoice>(p, 3); })
        << "Повторности" << QStringList{"repetitions=03"};
    QTest::newRow("control count") << MakeCommand([](Project& p) { return std::make_unique<ControlCountChoice>(p, 2); })
        << "Контроли" << QStringList{"control count=2"};
    QTest::newRow("material") << MakeCommand([](Project& p) { return std::make_unique<MaterialChoice>(p, Material::Milk); })
        << "Материал" << QStringList{"material=0"};
    QTest::newRow("orientation") << MakeCommand([](Project& p) { return std::make_unique<OrientationChoice>(p, true); })
        << "Ориентация" << QStringList{"horizontal=1"};
    // The kit change checks the vertical orientation; its undo puts back both.
    QTest::newRow("kit") << MakeCommand([](Project& p) { p.setHorizontal(true); return std::make_unique<KitChoice>(p, Kit::K03); })
        << "Набор" << QStringList{"kit=03 - Набор «Кимрен»", "horizontal=0"};
    QTest::newRow("fill") << MakeCommand([](Project& p) { p.setFirstWell({2, 2}); return std::make_unique<PlateFill>(p); })
        << "Заполнить" << QStringList{"layout A1= - ", "layout A2= - ", "layout B1= - ", "layout B2=S+", "layout B3=S+!",
                                      "layout C1= - ", "layout C2=R+", "layout C3=R+!", "layout D1= - ", "layout D2=C-",
                                      "layout D3=C-!", "layout E2=1.1", "layout E3=1.1"};
    // A fill a bad quantity stops is a step too: the map as it left it.
    QTest::newRow("fill stopped") << MakeCommand([](Project& p) { p.sampleTable().setCell(2, 1, "x"); return std::make_unique<PlateFill>(p); })
        << "Заполнить" << QStringList{"layout D1= - ", "layout D2= - "};
    QTest::newRow("sample added") << MakeCommand([](Project& p) { static int row = 0; return std::make_unique<SampleRowAddition>(p, &row); })
        << "Добавить пробу" << QStringList{"samples rows=3", "samples 0,2=2", "samples 1,2=Проба №2", "samples 2,2=1"};
    QTest::newRow("sample deleted") << MakeCommand([](Project& p) { addSampleRow(p); p.sampleTable().setCell(2, 2, "2"); return std::make_unique<SampleRowDeletion>(p, 1); })
        << "Удалить пробу" << QStringList{"samples rows=2", "samples 1,1=Проба №2", "samples 2,1=2"};
    QTest::newRow("sample name") << MakeCommand([](Project& p) { return std::make_unique<SampleCellEdit>(p, 1, 1, "Корова 12"); })
        << "Название пробы" << QStringList{"samples 1,1=Корова 12"};
    QTest::newRow("sample quantity") << MakeCommand([](Project& p) { return std::make_unique<SampleCellEdit>(p, 2, 1, "3"); })
        << "Количество пробы" << QStringList{"samples 2,1=3"};
    QTest::newRow("density typed") << MakeCommand([](Project& p) { return std::make_unique<DensityCellEdit>(p, 3, 2, "0,75"); })
        << "Ввод плотности" << QStringList{"densities B3=0,75"};
    QTest::newRow("densities pasted") << MakeCommand([](Project& p) { static PasteResult pasted; return std::make_unique<DensityPaste>(p, QPoint(1, 1), "0,1\t0,2\n0,3\t0,4", &pasted); })
        << "Вставка" << QStringList{"densities A1=0,1", "densities A2=0,2", "densities B1=0,3", "densities B2=0,4"};
    QTest::newRow("wells cleared") << MakeCommand([](Project& p) { return std::make_unique<DensityCellsClearing>(p, QList<QPoint>{{1, 2}, {12, 8}}); })
        << "Удаление" << QStringList{"densities B1=", "densities H12="};
    QTest::newRow("densities cleared") << MakeCommand([](Project& p) { return std::make_unique<DensitiesClearing>(p); })
        << "Очистить данные" << QStringList{"densities A1=", "densities B1=", "densities H12="};
    // The wells the layout uses take the file's densities (A1, B1; the others stay empty).
    QTest::newRow("densities imported") << MakeCommand([this](Project& p) { static QString message; return std::make_unique<DensityImport>(p, m_dir.filePath("export.csv"), files::ImportChoice{}, &message); })
        << "Импорт" << QStringList{"densities A1=0,123", "densities B1=0,456"};
    // clang-format on
    // clang-format on
}

// Each command run, undone and redone gives the whole project back as it
// stood before and after; the first run changes only what the row names.
void TestEditCommands::undoRedo()
{
    QFETCH(MakeCommand, make);
    QFETCH(QString, step);
    QFETCH(QStringList, changed);
    std::unique_ptr<ProjectCommand> command = make(*m_project);
    const QStringList before = test::projectState(*m_project);

    runEdit(*m_edits, nullptr, std::move(command));
    const QStringList after = test::projectState(*m_project);
    QCOMPARE(test::changedLines(before, after), changed);
    QCOMPARE(m_edits->count(), 1);
    QCOMPARE(m_edits->undoText(), step);

    undoEdit(*m_edits, nullptr);
    QCOMPARE(test::projectState(*m_project), before);
    redoEdit(*m_edits, nullptr);
    QCOMPARE(test::projectState(*m_project), after);
    undoEdit(*m_edits, nullptr);
    QCOMPARE(test::projectState(*m_project), before);
    QCOMPARE(m_dialogs->errors.size(), QTest::currentDataTag() == QLatin1String("fill stopped") ? 1 : 0);
}

// The keys of one typing make one step, undone at once; typing back to the
// text it began with leaves no step.
void TestEditCommands::typingIsOneStep()
{
    for (const char* text : {"П", "Пе", "Пет"})
        runEdit(*m_edits, nullptr, std::make_unique<PlateNameEdit>(*m_project, QString::fromUtf8(text)));
    runEdit(*m_edits, nullptr, std::make_unique<ExecutorEdit>(*m_project, QStringLiteral("Петров")));
    for (const char* text : {"Пе", "П"})
        runEdit(*m_edits, nullptr, std::make_unique<PlateNameEdit>(*m_project, QString::fromUtf8(text)));
    QCOMPARE(m_edits->count(), 3);
    undoEdit(*m_edits, nullptr);
    QCOMPARE(m_project->plateName(), QStringLiteral("Пет"));
    undoEdit(*m_edits, nullptr);
    undoEdit(*m_edits, nullptr);
    QCOMPARE(m_project->plateName(), QStringLiteral("Новый"));
    QCOMPARE(m_project->executor(), QStringLiteral("Иванова"));

    m_edits->clear();
    runEdit(*m_edits, nullptr, std::make_unique<ExecutorEdit>(*m_project, QStringLiteral("Иванов")));
    runEdit(*m_edits, nullptr, std::make_unique<ExecutorEdit>(*m_project, QStringLiteral("Иванова")));
    QCOMPARE(m_edits->count(), 0);
}

// While the reader fills the plate an edit is refused with the lock's
// message and changes nothing, and the steps before the read are gone: the
// read's densities are no step, and undoing one before it would overwrite them.
void TestEditCommands::refusedWhileLocked()
{
    runEdit(*m_edits, nullptr, std::make_unique<DensityCellEdit>(*m_project, 1, 1, QStringLiteral("0,7")));
    QVERIFY(m_edits->canUndo());
    m_project->setPlateLocked(true);
    QVERIFY(!m_edits->canUndo());
    const QStringList locked = test::projectState(*m_project);

    QVERIFY(!runEdit(*m_edits, nullptr, std::make_unique<DensityCellEdit>(*m_project, 1, 1, QStringLiteral("0,8"))));
    QVERIFY(!runEdit(*m_edits, nullptr, std::make_unique<PlateNameEdit>(*m_project, QStringLiteral("Стадо"))));
    QCOMPARE(m_dialogs->errors, QStringList(2, Project::PlateLockedMessage));
    QCOMPARE(test::projectState(*m_project), locked);
    QCOMPARE(m_edits->count(), 0);
    m_project->setPlateLocked(false);
    QVERIFY(!m_edits->canUndo());
}

QTEST_MAIN(TestEditCommands)
#include "tst_editcommands.moc"
