#include "gui/app/mainwindow.h"

#include "archive/archive.h"
#include "archive/operations.h"
#include "gui/app/dialogs.h"
#include "gui/app/importchoice.h"
#include "archive/archivesession.h"
#include "archive/archivewriter.h"
#include "gui/archive/journalwindow.h"
#include "gui/qc/qcwindow.h"
#include "gui/calc/calculationwindow.h"
#include "core/calc/calculationsession.h"
#include "core/files/csvexport.h"
#include "core/files/projectfile.h"
#include "core/files/protocolpages.h"
#include "gui/app/protocolwindow.h"
#include "gui/commands/windowedits.h"
#include "gui/commands/gridcommands.h"
#include "gui/layout/projectwindow.h"
#include "gui/layout/layoutwindow.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "gui/reader/readerlogwindow.h"
#include "gui/reader/portdialog.h"
#include "gui/reader/readercontrols.h"
#include "session/session.h"

#include <QCloseEvent>
#include <QPointer>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

namespace pleq {

namespace {

const QString ProjectFilter = QStringLiteral("Файлы проекта (*.plq)");
const QString ArchiveFilter = QStringLiteral("Архив SQLite (*.sqlite *.db);;Все файлы (*)");
const QString ReaderExportFilter = QStringLiteral("Экспорт ридера (*.txt *.csv *.tsv *.xls *.xlsx);;Все файлы (*)");

// A working window inside the frame: closing it only minimises it, so its
// content stays part of the project.
class WorkWindow : public QMdiSubWindow
{
public:
    WorkWindow(QWidget* content, Qt::WindowFlags flags)
        : QMdiSubWindow(nullptr, flags)
    {
        setWidget(content);
        setObjectName(content->objectName() + QStringLiteral(".frame"));
        setWindowTitle(content->windowTitle());
        setWindowIcon(QIcon()); // no system menu icon
        setOption(QMdiSubWindow::RubberBandResize, false);
    }

protected:
    void closeEvent(QCloseEvent* event) override
    {
        event->ignore();
        showMinimized();
    }
};

const Qt::WindowFlags FixedBorder = Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                    | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

// The licence as packaging/copyright states it.
const QString Licence = QStringLiteral("Лицензия: © 2026 разработчики Pleq, все права защищены. Pleq сделан для "
                                       "лаборатории, которая им пользуется: там его можно устанавливать и "
                                       "использовать, а передавать другим — только с письменного разрешения "
                                       "правообладателей.");

} // namespace

MainWindow::MainWindow(Session& session, QWidget* parent)
    : QMainWindow(parent)
    , m_whole(session)
    , m_project(session.project())
    , m_session(&session.calculation())
    , m_edits(&session.edits())
{
    m_archive = &session.archive();
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(QStringLiteral("Проект [Новый]"));

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("main.workArea"));
    // A working window widened past the frame's edge (long texts in its
    // grids on a small screen) is reached with a scroll bar.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    auto* statusLine = new QStatusBar(this);
    statusLine->setObjectName(QStringLiteral("main.statusBar"));
    setStatusBar(statusLine);
    connect(&m_archive->writer(), &Worker::taskFailed, this,
            [](const QString& message) { Dialogs::get().error(nullptr, message); });
    createMenu();
    createEditMenu();
    const DiagnosticControls diagnostics = createDiagnosticControls();

    // The order matters: the parameters window writes the caption and its
    // size places the other two; the layout window's first fill reads the kit.
    m_projectWindow = new ProjectWindow(*m_edits);
    auto* projectFrame = new WorkWindow(m_projectWindow, Qt::SubWindow | Qt::FramelessWindowHint);
    m_mdi->addSubWindow(projectFrame);
    projectFrame->move(0, 0);
    projectFrame->adjustSize();
    setWindowTitle(m_project.caption());
    connect(&m_project, &Project::kitChanged, this, [this] { setWindowTitle(m_project.caption()); });

    m_layoutWindow = new LayoutWindow(*m_edits);
    auto* layoutFrame = new WorkWindow(m_layoutWindow, FixedBorder);
    m_mdi->addSubWindow(layoutFrame);
    layoutFrame->adjustSize();
    layoutFrame->move(0, projectFrame->height());
    // The parameters window spans the layout window's frame, so that the
    // calculation window, placed by its width, stands clear of both.
    projectFrame->resize(qMax(projectFrame->width(), layoutFrame->width()), projectFrame->height());

    m_calculationWindow = new CalculationWindow(*m_session, *m_edits);
    m_calculationWindow->setArchiveSession(m_archive);
    auto* calculationFrame = new WorkWindow(m_calculationWindow, FixedBorder);
    m_mdi->addSubWindow(calculationFrame);
    calculationFrame->adjustSize();
    calculationFrame->move(projectFrame->width(), 0);

    m_readerLogWindow = new ReaderLogWindow(m_project, this);
    m_readerLogWindow->setWindowFlags(Qt::Window);
    m_readerLogWindow->hide();
    m_portDialog = new PortDialog(m_whole.reader(), this);
    m_portDialog->hide();
    // The reader link: the start and stop buttons and the connection label of
    // the calculation window, the hidden diagnostic controls, the ways to the
    // log window, and the stop of a running acquisition when this window closes.
    new ReaderControls(m_whole, this, *m_calculationWindow, diagnostics, m_readerLogWindow);

    resize(1132, 672);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

MainWindow::~MainWindow()
{
    // The session outlives the window; the stack's signals must not reach the
    // menu's handlers while QWidget deletes the menu.
    m_edits->disconnect(this);
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    // A run given to the archive is not lost to a close: the window waits
    // for the write and tells its outcome, then closes.
    ArchiveWriter& writer = m_archive->writer();
    if (writer.pending() == 0) {
        QMainWindow::closeEvent(event);
        return;
    }
    event->ignore();
    statusBar()->showMessage(QStringLiteral("Идет запись в архив. Программа закроется, когда она закончится."));
    if (!m_closeWhenWritten)
        m_closeWhenWritten = connect(&writer, &ArchiveWriter::idle, this, &QWidget::close,
                                     Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
}

void MainWindow::createMenu()
{
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("main.menuBar"));
    setMenuBar(menuBar);

    auto addMenu = [&](const char* name, const QString& title) {
        QMenu* menu = menuBar->addMenu(title);
        menu->setObjectName(QLatin1String(name));
        return menu;
    };
    auto addItem = [&](QMenu* menu, const char* name, const QString& text, QKeySequence keys) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(keys);
        return action;
    };

    QMenu* fileMenu = addMenu("menu.file", QStringLiteral("Файл"));
    QAction* newItem = addItem(fileMenu, "menu.file.new", QStringLiteral("Новый"), QKeySequence::New);
    connect(newItem, &QAction::triggered, this, &MainWindow::startNewProject);
    QAction* openItem = addItem(fileMenu, "menu.file.open", QStringLiteral("Открыть ..."), QKeySequence::Open);
    connect(openItem, &QAction::triggered, this, &MainWindow::chooseAndOpenFile);
    connect(addItem(fileMenu, "menu.file.save", QStringLiteral("Сохранить ..."), QKeySequence::Save),
            &QAction::triggered, this, &MainWindow::saveProjectAs);
    // The import writes densities: not while the reader fills the plate.
    QAction* importItem = addItem(fileMenu, "menu.file.import", QStringLiteral("Импорт ..."), {});
    connect(importItem, &QAction::triggered, this, &MainWindow::importReaderExport);
    connect(&m_project, &Project::plateLockChanged, importItem, &QAction::setDisabled);
    // The export writes a file and changes nothing of the plate: it stays
    // enabled while the plate is read (its results are forgotten then anyway).
    connect(addItem(fileMenu, "menu.file.exportResults", QStringLiteral("Экспорт результатов ..."), {}),
            &QAction::triggered, this, &MainWindow::exportResultsToFile);
    // The protocol of the plate as "Протокол" writes it, printed or as PDF;
    // they change nothing, so they stay while the reader fills the plate.
    connect(addItem(fileMenu, "menu.file.print", QStringLiteral("Печать ..."), QKeySequence::Print),
            &QAction::triggered, this,
            [this] { runCommand(this, [this] { printProtocol(this, protocolTextLines(m_project)); }); });
    connect(addItem(fileMenu, "menu.file.pdf", QStringLiteral("Сохранить как PDF ..."), {}), &QAction::triggered, this,
            [this] { runCommand(this, [this] { saveProtocolPdf(this, protocolTextLines(m_project)); }); });
    QMenu* settingsMenu = addMenu("menu.settings", QStringLiteral("Настройки"));
    QAction* portItem = addItem(settingsMenu, "menu.settings.reader", QStringLiteral("РИДЕР ..."), {});
    connect(portItem, &QAction::triggered, this, &MainWindow::showPortDialog);
    // While the reader fills the plate, neither another project nor another
    // port; saving stays, as it changes nothing.
    connect(&m_project, &Project::plateLockChanged, this, [newItem, openItem, portItem](bool locked) {
        for (QAction* action : {newItem, openItem, portItem})
            action->setDisabled(locked);
    });
    addItem(settingsMenu, "menu.settings.parameters", QStringLiteral("Параметры"), {});
    QMenu* helpMenu = addMenu("menu.help", QStringLiteral("Помощь"));
    connect(addItem(helpMenu, "menu.help.about", QStringLiteral("О программе ..."), {}), &QAction::triggered, this,
            &MainWindow::showAbout);

    // The run archive: the plate stored as "Протокол" stores it, the journal
    // of stored runs, and where the archive lives. "В архив" changes nothing
    // of the plate, so it stays while the reader fills it.
    QMenu* archiveMenu = addMenu("menu.archive", QStringLiteral("Архив"));
    connect(addItem(archiveMenu, "menu.archive.store", QStringLiteral("В архив"), {}), &QAction::triggered, this,
            &MainWindow::storeRunInArchive);
    connect(addItem(archiveMenu, "menu.archive.journal", QStringLiteral("Журнал планшетов ..."), {}),
            &QAction::triggered, this, &MainWindow::showJournal);
    addQcAction(archiveMenu, this, *m_archive);
    connect(addItem(archiveMenu, "menu.archive.location", QStringLiteral("Место архива ..."), {}), &QAction::triggered,
            this, &MainWindow::chooseArchiveLocation);
}

// "Правка", after the menus that were there before it: "Отменить" and
// "Повторить" name the step they undo or redo ("Отменить: Заполнить"). While
// the reader fills the plate both rest, as the stack is emptied then.
void MainWindow::createEditMenu()
{
    QMenu* editMenu = menuBar()->addMenu(QStringLiteral("Правка"));
    editMenu->setObjectName(QStringLiteral("menu.edit"));
    QAction* undoItem = editMenu->addAction(QStringLiteral("Отменить"));
    undoItem->setObjectName(QStringLiteral("menu.edit.undo"));
    undoItem->setShortcut(QKeySequence::Undo);
    QAction* redoItem = editMenu->addAction(QStringLiteral("Повторить"));
    redoItem->setObjectName(QStringLiteral("menu.edit.redo"));
    redoItem->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    connect(undoItem, &QAction::triggered, this, [this] { undoEdit(*m_edits, this); });
    connect(redoItem, &QAction::triggered, this, [this] { redoEdit(*m_edits, this); });

    const auto named = [](const QString& verb, const QString& step) {
        return step.isEmpty() ? verb : verb + QStringLiteral(": ") + step;
    };
    const auto showSteps = [this, undoItem, redoItem, named] {
        const bool locked = m_project.plateLocked();
        undoItem->setText(named(QStringLiteral("Отменить"), m_edits->undoText()));
        undoItem->setEnabled(m_edits->canUndo() && !locked);
        redoItem->setText(named(QStringLiteral("Повторить"), m_edits->redoText()));
        redoItem->setEnabled(m_edits->canRedo() && !locked);
    };
    connect(m_edits, &QUndoStack::indexChanged, this, showSteps);
    connect(m_edits, &QUndoStack::cleanChanged, this, showSteps);
    connect(m_edits, &QUndoStack::undoTextChanged, this, showSteps);
    connect(m_edits, &QUndoStack::redoTextChanged, this, showSteps);
    connect(&m_project, &Project::plateLockChanged, this, showSteps);
    showSteps();
}

DiagnosticControls MainWindow::createDiagnosticControls()
{
    // Diagnostic controls of the reader link; created hidden and never shown.
    auto* openPortButton = new QPushButton(QStringLiteral("Инициализация"), this);
    openPortButton->setObjectName(QStringLiteral("main.diagnostics.open"));
    openPortButton->setGeometry(0, 0, 93, 19);
    openPortButton->hide();
    auto* sendButton = new QPushButton(QStringLiteral("тест"), this);
    sendButton->setObjectName(QStringLiteral("main.diagnostics.send"));
    sendButton->setGeometry(0, 0, 75, 19);
    sendButton->hide();
    auto* commandEdit = new QLineEdit(QStringLiteral("edtWrite"), this);
    commandEdit->setObjectName(QStringLiteral("main.diagnostics.command"));
    commandEdit->setGeometry(0, 0, 121, 21);
    commandEdit->hide();
    return {openPortButton, sendButton, commandEdit};
}

void MainWindow::startNewProject()
{
    runCommand(this, [this] {
        newProject(m_project);
        m_edits->clear();
    });
}

void MainWindow::chooseAndOpenFile()
{
    const QString name = Dialogs::get().openFileName(this, ProjectFilter);
    if (name.isEmpty())
        return;
    openFile(name);
}

void MainWindow::openFile(const QString& name)
{
    runCommand(this, [&] {
        openProject(m_project, name);
        m_edits->clear();
    });
}

void MainWindow::openFileWhenShown(const QString& name)
{
    QMetaObject::invokeMethod(
        this, [this, name] { openFile(name); }, Qt::QueuedConnection);
}

void MainWindow::saveProjectAs()
{
    const QString name = Dialogs::get().saveFileName(this, ProjectFilter);
    if (name.isEmpty())
        return;
    runCommand(this, [&] { saveProject(m_project, projectFileName(name)); });
}

void MainWindow::importReaderExport()
{
    const QString name = Dialogs::get().openFileName(this, ReaderExportFilter);
    if (name.isEmpty())
        return;
    QString message;
    std::optional<files::ImportChoice> choice;
    runCommand(this, [&] { choice = chooseImport(this, name); });
    if (choice)
        runEdit(*m_edits, this, std::make_unique<DensityImport>(m_project, name, *choice, &message));
    if (!message.isEmpty())
        Dialogs::get().message(this, message);
}

void MainWindow::showPortDialog()
{
    m_portDialog->exec();
}

void MainWindow::exportResultsToFile()
{
    const PlateResult* result = m_session->lastResult();
    if (!result) {
        Dialogs::get().error(this, QStringLiteral("Нет результатов для экспорта: сначала нажмите «Расчет»"));
        return;
    }
    CsvStyle style = CsvStyle::Machine;
    const QString name = resultsCsvFileName(this, &style);
    if (name.isEmpty())
        return;
    runCommand(this, [&] { exportResults(m_project, *result, QDateTime::currentDateTime(), style, name); });
}

JournalWindow* MainWindow::journal() const
{
    return m_journal.data();
}

void MainWindow::storeRunInArchive()
{
    runCommand(this, [this] {
        m_archive->archive(); // a place that names no archive is told at once
        // The run as it stands at this click goes to the writer's thread.
        const RunRecord record = makeRunRecord(m_project, m_session->lastRun(), QDateTime::currentDateTime(),
                                               RunIdentity::ofThisWorkstation());
        const QPointer<MainWindow> self(this);
        m_archive->write([record, queue = archiveQueuePath(),
                          self](const std::function<Archive&()>& archive) -> std::function<void()> {
            QString told;
            std::optional<Error> error;
            try {
                Archive& place = archive();
                const qint64 seq = archiveRecord(record, place, queue);
                told = QStringLiteral("Планшет «%1» записан в архив %2 под номером %3.")
                           .arg(record.plateName, place.location().displayName())
                           .arg(seq);
            } catch (const Error& e) {
                error = e;
            }
            return [told, error, self] {
                if (!self)
                    return;
                if (error) {
                    Dialogs::get().error(self, error->message());
                    return;
                }
                self->m_archive->notifyArchived();
                Dialogs::get().message(self, told);
            };
        });
    });
}

void MainWindow::showJournal()
{
    if (!m_journal) {
        runCommand(this, [this] { m_journal = new JournalWindow(*m_archive, this); });
        if (m_journal)
            showQcFlags(*m_journal, *m_archive);
    } else {
        fillQcFlags(*m_journal, *m_archive);
    }
    if (m_journal) {
        m_journal->show();
        m_journal->raise();
        m_journal->activateWindow();
    }
}

void MainWindow::chooseArchiveLocation()
{
    QString label = QStringLiteral("Архив сейчас: %1\n"
                                   "Файл SQLite или адрес postgresql://пользователь@сервер/база "
                                   "(пусто — место по умолчанию):")
                        .arg(m_archive->displayName());
    if (qEnvironmentVariableIsSet("PLEQ_ARCHIVE"))
        label += QStringLiteral("\nПока задана переменная PLEQ_ARCHIVE, архив берётся из неё.");
    const QString text = Dialogs::get().textInput(this, label, archiveLocationSetting(), ArchiveFilter);
    if (text.isNull())
        return;
    runCommand(this, [&] {
        const QString place = text.trimmed();
        if (!place.isEmpty())
            ArchiveLocation::parse(place); // a text that names no archive is refused, naming it
        setArchiveLocationSetting(place);
        m_archive->relocate();
        Dialogs::get().message(this, QStringLiteral("Архив: %1").arg(m_archive->displayName()));
    });
}

// The version is the one `pleq --version` prints; the archive's place is
// the one "Место архива ..." names.
void MainWindow::showAbout()
{
    Dialogs::get().message(this, QStringLiteral("Pleq, версия %1\nQt %2\n\n%3\n\nАрхив: %4")
                                     .arg(QStringLiteral(PLEQ_VERSION), QString::fromLatin1(qVersion()), Licence,
                                          m_archive->displayName()));
}

} // namespace pleq
