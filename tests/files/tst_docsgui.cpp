#include "docstest.h"

#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "archive/archivesession.h"
#include "archive/archivewriter.h"
#include "gui/calc/calculationwindow.h"
#include "core/files/projectfile.h"
#include "core/files/protocol.h"
#include "core/model/numberformat.h"
#include "core/model/project.h"
#include "support/recordingdialogs.h"
#include "support/resultwells.h"
#include "support/typing.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace pleq;
using namespace pleq::test;

class TestDocsGui : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { setDecimalSeparator(QLatin1Char(',')); }
    void init();
    void cleanup();
    void openThroughMenu_data();
    void openThroughMenu();
    void openCancelledOrMissing();
    void saveThroughMenu();
    void saveRefused();
    void protocolButton();
    void protocolError();

private:
    template<class T> T* child(const char* name) const
    {
        T* w = m_window->findChild<T*>(QLatin1String(name));
        if (!w)
            qFatal("no %s", name);
        return w;
    }
    QPushButton* calcProtocolButton() const
    {
        auto* button = m_window->calculationWindow()->findChild<QPushButton*>(QStringLiteral("calc.protocol"));
        if (!button || button->text() != QStringLiteral("Протокол"))
            qFatal("no Протокол button");
        return button;
    }
    void dirty()
    {
        m_project->setLabelText(Label::s0, QStringLiteral("S+  = 1,5"));
        test::setResult(*m_project, 1, 1, 1.5, Verdict::Positive);
    }

    std::unique_ptr<RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_cwd;
};

void TestDocsGui::init()
{
    m_dialogs = std::make_unique<RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    m_window = std::make_unique<MainWindow>(*m_session);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_dir = std::make_unique<QTemporaryDir>();
    m_cwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path())); // "Протокол" writes into the working folder
}

void TestDocsGui::cleanup()
{
    QDir::setCurrent(m_cwd);
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
    m_dir.reset();
}

void TestDocsGui::openThroughMenu_data()
{
    // clang-format off
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("executor");
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("horizontalOffered");
    QTest::addColumn<bool>("materialShown");
    QTest::newRow("kit 01 horizontal") << "three-samples.plq" << "Проект [01 - Набор «Зорвал-SR»]" << "Иванова А. П. "
                                       << true << true << false;
    QTest::newRow("kit 05") << "protocol/kit05/project.plq" << "Проект [05 - (Верификация) Набор «Тальвик»]"
                            << "Иванова А. П." << false << false << true;
    QTest::newRow("kit 04") << "protocol/kit04/project.plq" << "Проект [04 - (Скриннинг) Набор «Тальвик»]"
                            << "Иванова А. П." << false << true << true;
    // clang-format on
}

// "Открыть ..." shows the restored project: caption, kit choices, orientation,
// and a cleared calculation.
void TestDocsGui::openThroughMenu()
{
    QFETCH(QString, file);
    QFETCH(bool, horizontal);
    dirty();
    m_dialogs->nextFileNames = {QStringLiteral(PLEQ_FIXTURES "/") + file};
    child<QAction>("menu.file.open")->trigger();
    QCOMPARE(m_dialogs->errors.join(QLatin1Char('\n')), QString()); // as one text, so that a failure shows it
    QTEST(m_window->windowTitle(), "caption");
    QTEST(child<QLineEdit>("project.executor")->text(), "executor");
    QCOMPARE(child<QRadioButton>("layout.horizontal")->isChecked(), horizontal);
    QCOMPARE(child<QRadioButton>("layout.vertical")->isChecked(), !horizontal);
    QTEST(!child<QRadioButton>("layout.horizontal")->isHidden(), "horizontalOffered");
    QTEST(!child<QGroupBox>("layout.material")->isHidden(), "materialShown");
    QCOMPARE(m_project->label(Label::s0).text, QStringLiteral("-"));
    QCOMPARE(m_project->resultTable().cell(1, 1), QString());
}

void TestDocsGui::openCancelledOrMissing()
{
    dirty();
    const QByteArray before = writeProjectFile(*m_project);
    child<QAction>("menu.file.open")->trigger(); // cancelled
    m_dialogs->nextFileNames = {m_dir->filePath(QStringLiteral("missing.plq"))};
    child<QAction>("menu.file.open")->trigger();
    QCOMPARE(m_dialogs->errors, QStringList{"File not found"});
    QCOMPARE(writeProjectFile(*m_project), before);
    QCOMPARE(m_project->label(Label::s0).text, QStringLiteral("S+  = 1,5"));
    QCOMPARE(m_project->resultTable().cell(1, 1), QStringLiteral("1,5"));
}

// "Сохранить ..." appends ".plq" to a bare name and writes the project.
void TestDocsGui::saveThroughMenu()
{
    typeText(child<QLineEdit>("project.executor"), QStringLiteral("Кузнецова"));
    const QString title = m_window->windowTitle();
    m_dialogs->nextFileNames = {m_dir->filePath(QStringLiteral("plate"))};
    child<QAction>("menu.file.save")->trigger();
    QCOMPARE(m_dialogs->errors, QStringList());
    QFile file(m_dir->filePath(QStringLiteral("plate.plq")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, writeProjectFile(*m_project));
    QVERIFY(bytes.startsWith("\xca\xf3\xe7\xed\xe5\xf6\xee\xe2\xe0\r\n")); // "Кузнецова"
    QCOMPARE(m_window->windowTitle(), title);
}

void TestDocsGui::saveRefused()
{
    m_project->setExecutor(QStringLiteral("Ω"));
    m_dialogs->nextFileNames = {m_dir->filePath(QStringLiteral("plate.plq"))};
    child<QAction>("menu.file.save")->trigger();
    QCOMPARE(m_dialogs->errors.size(), 1);
    QVERIFY(m_dialogs->errors.at(0).startsWith(QStringLiteral("The project cannot be saved: the executor name")));
    QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("plate.plq"))));
}

// "Протокол" writes result.txt in the working folder, then starts the viewer.
void TestDocsGui::protocolButton()
{
    test::setResult(*m_project, 2, 4, 0.734, Verdict::Positive);
    calcProtocolButton()->click();
    QTRY_COMPARE(m_window->archive().writer().pending(), 0); // the archive writes off the window's thread
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->openedFiles, QStringList{"result.txt"});
    QFile file(m_dir->filePath(QStringLiteral("result.txt")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QCOMPARE(bytes, protocolBytes(*m_project));
    QVERIFY(bytes.contains("\r\n      [D,2] - 0,734 ([1.1] \xcf\xf0\xee\xe1\xe0 \xb9"
                           "1)\r\n"));
}

// An error is shown, the viewer is not started and an earlier result.txt
// stays; the run is archived (the test's own default archive) without
// protocol bytes, and the error says so on its second line.
void TestDocsGui::protocolError()
{
    QFile earlier(m_dir->filePath(QStringLiteral("result.txt")));
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("earlier");
    earlier.close();
    m_project->sampleTable().setCell(2, 1, QStringLiteral("один"));
    calcProtocolButton()->click();
    QTRY_COMPARE(m_window->archive().writer().pending(), 0); // the archive writes off the window's thread
    QCOMPARE(m_dialogs->errors.size(), 1);
    const QString error = m_dialogs->errors.first();
    QVERIFY2(error.startsWith(QStringLiteral("'один' is not a valid integer value\nПланшет «Новый» записан в архив "))
                 && error.endsWith(QStringLiteral(" без протокола.")),
             qPrintable(error));
    QCOMPARE(m_dialogs->openedFiles, QStringList());
    QVERIFY(earlier.open(QIODevice::ReadOnly));
    QCOMPARE(earlier.readAll(), QByteArray("earlier"));
}

QTEST_MAIN(TestDocsGui)
#include "tst_docsgui.moc"
