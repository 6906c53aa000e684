#include "gui/app/mainwindow.h"
#include "support/appsession.h"
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

// "Файл" → "Импорт ...": the file dialog, the choice of table and repeat
// where the file needs one, one core call, its message.
class TestReaderExportGui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void importShowsMessage();
    void choice_data();
    void choice();
    void errorsInTheBox();
    void disabledWhileReading();

private:
    QAction* importItem() const { return m_window->findChild<QAction*>(QStringLiteral("menu.file.import")); }

    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void TestReaderExportGui::init()
{
    setDecimalSeparator(QLatin1Char(','));
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
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
    m_session.reset();
    m_project = nullptr;
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

// The choices offered, each by its number in the file and its label; the
// one picked imported and named; a cancel imports nothing. "FILE" stands for
// the file's path.
void TestReaderExportGui::choice_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<int>>("answers"); // indexes picked, in turn; none left: cancelled
    QTest::addColumn<QList<QStringList>>("offered");
    QTest::addColumn<QString>("message");    // empty: none shown
    QTest::addColumn<QString>("a1");
    QTest::addColumn<QString>("h12");

    const QStringList reads{QStringLiteral("В файле «FILE» несколько таблиц оптических плотностей. Какую импортировать?"),
                            QStringLiteral("1 «A260»"), QStringLiteral("2 «A280»")};
    QTest::newRow("two reads, the second picked")
        << "list-two-columns.txt" << QList<int>{1} << QList<QStringList>{reads}
        << "Импорт из файла «FILE».\n"
           "Взята выбранная таблица 2 из 2 «A280».\n"
           "Записаны плотности лунок раскладки: 2."
        << "1,101" << "1,812";
    QTest::newRow("two reads, cancelled")
        << "list-two-columns.txt" << QList<int>{} << QList<QStringList>{reads} << "" << "1,5" << "";

    // The table of names is not offered; the others keep their numbers.
    QTest::newRow("tables under headers of their own, the last picked")
        << "several-blocks.txt" << QList<int>{1}
        << QList<QStringList>{{QStringLiteral("В файле «FILE» несколько таблиц оптических плотностей. Какую "
                                              "импортировать?"),
                               QStringLiteral("2 «450 nm»"), QStringLiteral("3 «620 nm»")}}
        << "Импорт из файла «FILE».\n"
           "Взята выбранная таблица 3 из 3 «620 nm».\n"
           "Записаны плотности лунок раскладки: 2."
        << "0,999" << "0,812";

    const QStringList repeats{QStringLiteral("В файле «FILE» у лунок по нескольку значений. Какой повтор импортировать?"),
                              QStringLiteral("1 «Repeat 1»"), QStringLiteral("2 «Repeat 2»"),
                              QStringLiteral("3 «Repeat 3»")};
    QTest::newRow("repeats, the third picked")
        << "list-repeats.csv" << QList<int>{2} << QList<QStringList>{repeats}
        << "Импорт из файла «FILE».\n"
           "Взят повтор 3 из 3 «Repeat 3».\n"
           "Записаны плотности лунок раскладки: 2."
        << "2,101" << "2,812";
    QTest::newRow("repeats, cancelled")
        << "list-repeats.csv" << QList<int>{} << QList<QStringList>{repeats} << "" << "1,5" << "";

    // Values less a reference are taken only when picked, named as what they are.
    const QStringList reduced{QStringLiteral("В файле «FILE» нет необработанного измерения поглощения. "
                                             "Импортировать эту таблицу?"),
                              QStringLiteral("1 «Reduced (450-650)» (значения за вычетом бланка или референса)")};
    QTest::newRow("reduced values only, picked")
        << "reduced-only.txt" << QList<int>{0} << QList<QStringList>{reduced}
        << "Импорт из файла «FILE».\n"
           "Взята выбранная таблица 1 из 1 «Reduced (450-650)» — значения за вычетом бланка или референса.\n"
           "Записаны плотности лунок раскладки: 2."
        << "0,101" << "0,812";
    QTest::newRow("reduced values only, cancelled")
        << "reduced-only.txt" << QList<int>{} << QList<QStringList>{reduced} << "" << "1,5" << "";
    QTest::newRow("two plates, the second picked")
        << "two-plates.txt" << QList<int>{1}
        << QList<QStringList>{{QStringLiteral("В файле «FILE» несколько таблиц оптических плотностей. Какую "
                                              "импортировать?"),
                               QStringLiteral("1 «Plate name: Plate01, Measurement: Absorbance 450 nm»"),
                               QStringLiteral("2 «Plate name: Plate02, Measurement: Absorbance 450 nm»")}}
        << "Импорт из файла «FILE».\n"
           "Взята выбранная таблица 2 из 2 «Plate name: Plate02, Measurement: Absorbance 450 nm».\n"
           "Записаны плотности лунок раскладки: 2."
        << "1,101" << "1,812";
    QTest::newRow("a workbook's raw sheet, nothing to pick")
        << "workbook-sheets.xlsx" << QList<int>{} << QList<QStringList>{}
        << "Импорт из файла «FILE».\n"
           "Взята таблица 1 из 3 «Raw Data, Absorbance 450 nm»: единственное в файле необработанное измерение "
           "поглощения.\n"
           "Записаны плотности лунок раскладки: 2."
        << "0,101" << "0,812";
    // clang-format on
}

void TestReaderExportGui::choice()
{
    QFETCH(QString, file);
    QFETCH(QList<int>, answers);
    QFETCH(QList<QStringList>, offered);
    QFETCH(QString, message);
    QFETCH(QString, a1);
    QFETCH(QString, h12);

    const QString path = fixturePath(file);
    for (QStringList& choice : offered)
        choice.replaceInStrings(QStringLiteral("FILE"), path);
    m_dialogs->nextFileNames = {path};
    m_dialogs->nextChoices = answers;
    importItem()->trigger();
    QCOMPARE(m_dialogs->choices, offered);
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->messages,
             message.isEmpty() ? QStringList() : QStringList{QString(message).replace(QStringLiteral("FILE"), path)});
    QCOMPARE(m_project->densityTable().cell(1, 1), a1);
    QCOMPARE(m_project->densityTable().cell(12, 8), h12);
}

void TestReaderExportGui::errorsInTheBox()
{
    const QString file = fixturePath(QStringLiteral("names-only.txt"));
    m_dialogs->nextFileNames = {file};
    importItem()->trigger();
    QCOMPARE(m_dialogs->errors,
             QStringList{
                 QStringLiteral("В файле «%1» таблиц 8 × 12: 1, но ни в одной нет оптических плотностей").arg(file)});
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
