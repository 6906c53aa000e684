#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "gui/calc/calculationwindow.h"
#include "calc/platefixture.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;

// "Экспорт результатов ...": the results of the last "Расчет" in the form
// chosen in the file dialog, and no export once the plate has changed since.
class TestExportMenu : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void exportsLastRun_data();
    void exportsLastRun();
    void noResultsToExport_data();
    void noResultsToExport();

private:
    void exportTo(const QString& name, int type);
    void calculate();

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
};

namespace {

const QString NoResults = QStringLiteral("Нет результатов для экспорта: сначала нажмите «Расчет»");

} // namespace

void TestExportMenu::init()
{
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
    test::selectKit(*m_project, 5);
    test::layPlate(*m_project, QStringLiteral("A1 C+ 1,5; A2 C+! 0,3; B1 C+ 1,4; B2 C+! 0,2; C1 C- 0,25; C2 C-! 0,1;"
                                              "D1 1.1 0,9; D2 1.1 0,3; E1 2.1 0,35; E2 2.1 0,2"));
    m_project->setExecutor(QStringLiteral("Петрова"));
}

void TestExportMenu::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
}

void TestExportMenu::exportTo(const QString& name, int type)
{
    m_dialogs->nextFileNames = QStringList{name};
    m_dialogs->nextFileTypes = QList<int>{type};
    m_window->findChild<QAction*>(QStringLiteral("menu.file.exportResults"))->trigger();
}

void TestExportMenu::calculate()
{
    m_window->calculationWindow()->calculate();
}

void TestExportMenu::exportsLastRun_data()
{
    // clang-format off
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("file"); // as written
    QTest::addColumn<QByteArray>("start");
    QTest::addColumn<QString>("d1"); // the row of well D1 after the time

    QTest::newRow("LIMS") << "plate.csv" << 0 << "plate.csv" << QByteArray("plate,exported,executor,kit,")
                          << "Петрова,05,(Верификация) Набор «Тальвик»,Сыворотка,D1,1.1,sample,1,Проба №1,0.9,0.9,positive,yes,";
    QTest::newRow("spreadsheet, suffix added")
        << "plate" << 1 << "plate.csv" << QByteArray("\xEF\xBB\xBF" "plate;exported;executor;kit;")
        << "Петрова;05;(Верификация) Набор «Тальвик»;Сыворотка;D1;1.1;sample;1;Проба №1;0,9;0,9;positive;yes;";
    // clang-format on
}

void TestExportMenu::exportsLastRun()
{
    QFETCH(QString, name);
    QFETCH(int, type);
    QFETCH(QString, file);
    QFETCH(QByteArray, start);
    QFETCH(QString, d1);

    calculate();
    QCOMPARE(m_dialogs->messages, QStringList());
    exportTo(m_dir.filePath(name), type);
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->offeredTypes, QStringList({"CSV для LIMS (*.csv)", "CSV для Excel/Calc, русский (*.csv)"}));
    QFile f(m_dir.filePath(file));
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray csv = f.readAll();
    QVERIFY(csv.startsWith(start));
    const QStringList lines = QString::fromUtf8(csv).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 12); // the header, ten wells, the end of the last line
    QVERIFY2(lines.at(7).startsWith(QStringLiteral("Новый")), qPrintable(lines.at(7)));
    QCOMPARE(lines.at(7).section(type == 0 ? QLatin1Char(',') : QLatin1Char(';'), 2), d1);

    // Cancelled: nothing asked, nothing written.
    f.close(); // Windows removes no file that is open
    QVERIFY(QFile::remove(m_dir.filePath(file)));
    exportTo(QString(), type);
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

void TestExportMenu::noResultsToExport_data()
{
    // clang-format off
    QTest::addColumn<QString>("change"); // what happens after "Расчет"
    QTest::addColumn<bool>("runsAgain"); // a new "Расчет" on the changed plate succeeds
    QTest::newRow("no Расчет yet") << "none" << true;
    QTest::newRow("a density typed") << "density" << true;
    QTest::newRow("a layout text changed") << "layout" << true;
    QTest::newRow("material changed") << "material" << true;
    QTest::newRow("another kit") << "kit" << false;
    QTest::newRow("Расчет stopped by an error") << "stopped" << true;
    // clang-format on
}

void TestExportMenu::noResultsToExport()
{
    QFETCH(QString, change);
    QFETCH(bool, runsAgain);
    QTemporaryDir dir;
    if (change != QLatin1String("none"))
        calculate();
    if (change == QLatin1String("density"))
        m_project->densityTable().setCell(1, 4, QStringLiteral("0,8"));
    else if (change == QLatin1String("layout"))
        m_project->plateLayout().setCell(3, 1, QStringLiteral("3.1"));
    else if (change == QLatin1String("material"))
        m_project->setMaterial(Material::Milk);
    else if (change == QLatin1String("kit"))
        test::selectKit(*m_project, 4);
    else if (change == QLatin1String("stopped")) {
        m_project->densityTable().setCell(1, 4, QStringLiteral("abc"));
        calculate();
        m_dialogs->errors.clear();
    }

    exportTo(dir.filePath(QStringLiteral("plate.csv")), 0);
    QCOMPARE(m_dialogs->errors, QStringList{NoResults});
    QCOMPARE(m_dialogs->offeredTypes, QStringList()); // no file dialog
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());

    // A new "Расчет" exports again.
    if (!runsAgain)
        return;
    if (change == QLatin1String("stopped"))
        m_project->densityTable().setCell(1, 4, QStringLiteral("0,9"));
    m_dialogs->clear();
    calculate();
    m_dialogs->messages.clear();
    exportTo(dir.filePath(QStringLiteral("plate.csv")), 0);
    QCOMPARE(m_dialogs->errors, QStringList());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("plate.csv"))));
}

QTEST_MAIN(TestExportMenu)
#include "tst_exportmenu.moc"
