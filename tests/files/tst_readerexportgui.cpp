#include "gui/app/mainwindow.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"

#include <QAction>
#include <QTest>

#include <memory>

using namespace pleq;

namespace {

QString fixturePath(const QString& name)
{
    return QStringLiteral(PLEQ_FIXTURES "/import/") + name;
}

} // namespace

// "Файл" → "Импорт ...": the file dialog, one core call, its message.
class TestReaderExportGui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void importShowsMessage();
    void errorsInTheBox();
    void disabledWhileReading();

private:
    QAction* importItem() const { return m_window->findChild<QAction*>(QStringLiteral("NImport")); }

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Project> m_project;
    std::unique_ptr<MainWindow> m_window;
};

void TestReaderExportGui::init()
{
    setDecimalSeparator(QLatin1Char(','));
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_project = std::make_unique<Project>();
    m_window = std::make_unique<MainWindow>(*m_project);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // The layout uses A1 and H12 only; A1 holds a density already.
    m_project->fillEmptyLayout();
    m_project->plateLayout().setCell(1, 1, QStringLiteral("K+"));
    m_project->plateLayout().setCell(12, 8, QStringLiteral("1"));
    m_project->densityTable().setCell(1, 1, QStringLiteral("1,5"));
}

void TestReaderExportGui::cleanup()
{
    m_window.reset();
    m_project.reset();
    m_dialogs.reset();
    setDecimalSeparator(std::nullopt);
}

// A file with a default asks nothing.
void TestReaderExportGui::importShowsMessage()
{
    m_dialogs->nextFileNames = {QString()}; // cancelled: nothing happens
    importItem()->trigger();
    QVERIFY(m_dialogs->messages.isEmpty());

    const QString file = fixturePath(QStringLiteral("results-labelled.txt"));
    m_dialogs->nextFileNames = {file};
    importItem()->trigger();
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->choices, QList<QStringList>());
    QCOMPARE(m_dialogs->messages, QStringList{QStringLiteral("Импорт из файла «%1».\n"
                                                             "Взята таблица 2 из 4 «630nmAbsRead:630»: единственное "
                                                             "в файле необработанное измерение поглощения.\n"
                                                             "Записаны плотности лунок раскладки: 1.\n"
                                                             "Без числа в файле, оставлены пустыми (1): A1 «OVRFLW».")
                                                  .arg(file)});
    QCOMPARE(m_project->densityTable().cell(1, 1), QString());
    QCOMPARE(m_project->densityTable().cell(12, 8), QStringLiteral("0,812"));
    QCOMPARE(m_project->densityTable().cell(2, 1), QString());
}

void TestReaderExportGui::errorsInTheBox()
{
    const QString file = fixturePath(QStringLiteral("names-only.txt"));
    m_dialogs->nextFileNames = {file};
    importItem()->trigger();
    QCOMPARE(m_dialogs->errors,
             QStringList{QStringLiteral("В файле «%1» таблиц 8 × 12: 1, но ни в одной нет оптических плотностей").arg(file)});
    QVERIFY(m_dialogs->messages.isEmpty());
    QCOMPARE(m_project->densityTable().cell(1, 1), QStringLiteral("1,5"));
}

void TestReaderExportGui::disabledWhileReading()
{
    QVERIFY(importItem()->isEnabled());
    m_project->setPlateLocked(true);
    QVERIFY(!importItem()->isEnabled());
    m_project->setPlateLocked(false);
    QVERIFY(importItem()->isEnabled());
}

QTEST_MAIN(TestReaderExportGui)
#include "tst_readerexportgui.moc"
