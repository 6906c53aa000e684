#include "support/texts.h"
#include "support/pdftext.h"
#include "support/recordingdialogs.h"

#include "core/files/fileio.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "gui/app/mainwindow.h"
#include "support/appsession.h"
#include "archive/archivesession.h"
#include "archive/archivewriter.h"
#include "gui/app/protocolwindow.h"
#include "gui/calc/calculationwindow.h"
#include "core/layout/fill.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>

#include <memory>

using namespace pleq;

// The system's words for a file whose folder is missing.
#ifdef Q_OS_WIN
#define MISSING_FOLDER_REASON "Path not found."
#else
#define MISSING_FOLDER_REASON "File not found"
#endif

namespace {

using test::withoutTrailingBlankLines;

// result.txt as the viewer would show it: its lines without line ends.
QStringList textFileLines(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {QStringLiteral("(missing %1)").arg(path)};
    return test::windows1251Lines(file.readAll());
}

// The text of a one-page PDF above its footer.
QStringList pdfBody(const QString& path)
{
    const QList<QStringList> pages = test::pdfPages(path);
    if (pages.size() != 1)
        return {QStringLiteral("(%1 pages)").arg(pages.size())};
    QStringList lines = pages.first();
    lines.removeLast(); // "Стр. 1 из 1"
    return withoutTrailingBlankLines(lines);
}

} // namespace

class TestProtocolWindow : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void init();
    void cleanup();
    void viewerFailureShowsWindow_data();
    void viewerFailureShowsWindow();
    void windowPrintsAndSaves();
    void menuItems_data();
    void menuItems();

private:
    // "Протокол" in the calculation window, in the temporary folder.
    void clickProtocol();
    ProtocolWindow* protocolWindow() const
    {
        return m_window->findChild<ProtocolWindow*>(QStringLiteral("protocolWindow"));
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
    QString m_previousDir;
    std::unique_ptr<test::RecordingDialogs> m_dialogs;
    std::unique_ptr<Session> m_session;
    Project* m_project = nullptr;
    std::unique_ptr<MainWindow> m_window;
};

void TestProtocolWindow::init()
{
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir.path()));
    QFile::remove(QStringLiteral("result.txt"));
    m_dialogs = std::make_unique<test::RecordingDialogs>();
    m_session = test::makeSession();
    m_project = &m_session->project();
    addSampleRow(*m_project);
    fillPlate(*m_project);
    m_window = std::make_unique<MainWindow>(*m_session);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestProtocolWindow::cleanup()
{
    m_window.reset();
    m_session.reset();
    m_project = nullptr;
    m_dialogs.reset();
    QDir::setCurrent(m_previousDir);
}

void TestProtocolWindow::clickProtocol()
{
    m_window->calculationWindow()->findChild<QPushButton*>(QStringLiteral("calc.protocol"))->click();
}

void TestProtocolWindow::viewerFailureShowsWindow_data()
{
    // clang-format off
    QTest::addColumn<bool>("viewerFails");
    QTest::newRow("viewer starts: no window of ours") << false;
    QTest::newRow("no viewer: the protocol window") << true;
    // clang-format on
}

// result.txt is written either way; where no viewer starts, the protocol
// shows read-only in the pinned monospace font, and a second "Протокол"
// brings the same window up with the text of now.
void TestProtocolWindow::viewerFailureShowsWindow()
{
    QFETCH(bool, viewerFails);
    m_dialogs->viewerFails = viewerFails;
    clickProtocol();
    QTRY_COMPARE(m_window->archive().writer().pending(), 0); // the archive writes off the window's thread
    QCOMPARE(m_dialogs->errors, QStringList());
    QCOMPARE(m_dialogs->openedFiles, QStringList{"result.txt"});
    const QStringList lines = textFileLines(path(QStringLiteral("result.txt")));
    QVERIFY(lines.contains(QStringLiteral("2. Проба №2 -  [2.1]")));

    ProtocolWindow* window = protocolWindow();
    QCOMPARE(window != nullptr, viewerFails);
    if (!viewerFails)
        return;
    QVERIFY(QTest::qWaitForWindowExposed(window));
    QCOMPARE(window->windowTitle(), QStringLiteral("Протокол"));
    auto* text = window->findChild<QPlainTextEdit*>(QStringLiteral("protocol.text"));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->toPlainText().split(QLatin1Char('\n')), lines);
    const QFontInfo font(text->font());
    QCOMPARE(font.family(), QStringLiteral("DejaVu Sans Mono"));
    QVERIFY(font.fixedPitch());

    addSampleRow(*m_project);
    clickProtocol();
    QCOMPARE(m_window->findChildren<ProtocolWindow*>().size(), 1);
    QVERIFY(text->toPlainText().contains(QStringLiteral("3. Проба №3 - ")));
}

// The window's own buttons print and save what it shows.
void TestProtocolWindow::windowPrintsAndSaves()
{
    m_dialogs->viewerFails = true;
    clickProtocol();
    const QStringList lines = test::rightTrimmed(withoutTrailingBlankLines(textFileLines(path("result.txt"))));
    ProtocolWindow* window = protocolWindow();
    QVERIFY(window);

    m_dialogs->nextFileNames = QStringList{path(QStringLiteral("copy"))}; // ".pdf" is added
    window->findChild<QPushButton*>(QStringLiteral("protocol.pdf"))->click();
    window->findChild<QPushButton*>(QStringLiteral("protocol.print"))->click();
    QCOMPARE(m_dialogs->errors, QStringList());
    QVERIFY(QFileInfo::exists(path(QStringLiteral("copy.pdf"))));
    QCOMPARE(m_dialogs->printed.size(), 1);
    if (!test::PdfTextReadable)
        QSKIP(PDF_TEXT_UNREADABLE_REASON);
    QCOMPARE(pdfBody(path(QStringLiteral("copy.pdf"))), lines);
    QTemporaryFile printed;
    QVERIFY(printed.open() && printed.write(m_dialogs->printed.first()) > 0);
    printed.close();
    QCOMPARE(pdfBody(printed.fileName()), lines);
}

void TestProtocolWindow::menuItems_data()
{
    // clang-format off
    QTest::addColumn<QString>("item");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("error");

    QTest::newRow("print") << "menu.file.print" << false << "";
    QTest::newRow("print cancelled") << "menu.file.print" << true << "";
    QTest::newRow("pdf") << "menu.file.pdf" << false << "";
    QTest::newRow("pdf cancelled") << "menu.file.pdf" << true << "";
    QTest::newRow("pdf into a missing folder") << "menu.file.pdf" << false
                                               << "Не удалось сохранить PDF %1/missing/protocol.pdf: " MISSING_FOLDER_REASON;
    QTest::newRow("protocol error: nothing printed")
        << "menu.file.print" << false << "'x' is not a valid integer value";
    // clang-format on
}

// "Печать ..." and "Сохранить как PDF ..." of the File menu give the protocol
// that "Протокол" writes, line for line; cancelled, they do nothing; an error
// shows in the error box and leaves nothing behind.
void TestProtocolWindow::menuItems()
{
    QFETCH(QString, item);
    QFETCH(bool, cancelled);
    QFETCH(QString, error);
    error.replace(QLatin1String("%1"), m_dir.path());

    clickProtocol(); // the viewer starts: result.txt is the reference
    const QStringList lines = test::rightTrimmed(withoutTrailingBlankLines(textFileLines(path("result.txt"))));
    QVERIFY(lines.contains(QStringLiteral("2. Проба №2 -  [2.1]")));
    if (QTest::currentDataTag() == QLatin1String("protocol error: nothing printed"))
        m_project->sampleTable().setCell(2, 1, QStringLiteral("x"));
    const QString pdf = path(QTest::currentDataTag() == QLatin1String("pdf into a missing folder")
                                 ? QStringLiteral("missing/protocol.pdf")
                                 : QStringLiteral("protocol.pdf"));
    m_dialogs->printCancelled = cancelled;
    m_dialogs->nextFileNames = cancelled ? QStringList() : QStringList{pdf};

    QFile::remove(pdf); // left by an earlier row
    QAction* action = m_window->findChild<QAction*>(item);
    QVERIFY(action && action->isEnabled());
    action->trigger();

    QCOMPARE(m_dialogs->errors, error.isEmpty() ? QStringList() : QStringList{error});
    const bool written = !cancelled && error.isEmpty();
    if (item == QLatin1String("menu.file.print")) {
        QCOMPARE(m_dialogs->printDialogs, error.isEmpty() ? 1 : 0);
        QCOMPARE(m_dialogs->printed.size(), written ? 1 : 0);
        if (written) {
            QTemporaryFile printed;
            QVERIFY(printed.open() && printed.write(m_dialogs->printed.first()) > 0);
            printed.close();
            if (!test::PdfTextReadable)
                QSKIP(PDF_TEXT_UNREADABLE_REASON);
            QCOMPARE(pdfBody(printed.fileName()), lines);
        }
    } else {
        QCOMPARE(QFileInfo::exists(pdf), written);
        if (written) {
            if (!test::PdfTextReadable)
                QSKIP(PDF_TEXT_UNREADABLE_REASON);
            QCOMPARE(pdfBody(pdf), lines);
        }
    }
}

QTEST_MAIN(TestProtocolWindow)
#include "tst_protocolwindow.moc"
