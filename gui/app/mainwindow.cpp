#include "gui/app/mainwindow.h"

#include "archive/archive.h"
#include "archive/operations.h"
#include "gui/app/dialogs.h"
#include "gui/archive/archivesession.h"
#include "gui/archive/journalwindow.h"
#include "gui/archive/queuesender.h"
#include "gui/qc/qcwindow.h"
#include "gui/calc/raswindow.h"
#include "core/files/csvexport.h"
#include "core/files/projectfile.h"
#include "core/files/readerexport.h"
#include "core/files/protocolpages.h"
#include "gui/app/protocolwindow.h"
#include "gui/layout/propwindow.h"
#include "gui/layout/rospwindow.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "gui/reader/logwindow.h"
#include "gui/reader/portdialog.h"
#include "gui/reader/readercontrols.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QGuiApplication>
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
const QString ReaderExportFilter = QStringLiteral("Экспорт ридера (*.txt *.csv *.tsv *.xls);;Все файлы (*)");

// A working window inside the frame: closing it only minimises it, so its
// content stays part of the project.
class WorkWindow : public QMdiSubWindow
{
public:
    WorkWindow(QWidget* content, Qt::WindowFlags flags)
        : QMdiSubWindow(nullptr, flags)
    {
        setWidget(content);
        setObjectName(content->objectName() + QStringLiteral("Window"));
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

} // namespace

TForm1::TForm1(Project& project, QWidget* parent)
    : QMainWindow(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TForm1"));
    setWindowTitle(QStringLiteral("Проект [Новый]"));
    m_project.setPortNumber(0);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(QStringLiteral("ClientArea"));
    // A working window widened past the frame's edge (long texts in its
    // grids on a small screen) is reached with a scroll bar.
    m_mdi->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_mdi->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(m_mdi);
    auto* statusBar1 = new QStatusBar(this);
    statusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(statusBar1);
    m_archive = new ArchiveSession(this);
    // Runs queued while the archive's server was away go to it at start and
    // every few minutes, without holding up the window.
    new QueueSender(*m_archive, this);
    createMenu();
    const DiagnosticControls diagnostics = createTestControls();

    // The order matters: the parameters window writes the caption and its
    // size places the other two; the layout window's first fill reads the kit.
    m_prop = new TProp(m_project);
    auto* propWindow = new WorkWindow(m_prop, Qt::SubWindow | Qt::FramelessWindowHint);
    m_mdi->addSubWindow(propWindow);
    propWindow->move(0, 0);
    propWindow->adjustSize();
    setWindowTitle(m_project.caption());
    connect(&m_project, &Project::kitChanged, this, [this] { setWindowTitle(m_project.caption()); });

    m_rosp = new TRosp(m_project);
    auto* rospWindow = new WorkWindow(m_rosp, FixedBorder);
    m_mdi->addSubWindow(rospWindow);
    rospWindow->adjustSize();
    rospWindow->move(0, propWindow->height());
    // The parameters window spans the layout window's frame, so that the
    // calculation window, placed by its width, stands clear of both.
    propWindow->resize(qMax(propWindow->width(), rospWindow->width()), propWindow->height());

    m_ras = new TRas(m_project);
    m_ras->setArchiveSession(m_archive);
    auto* rasWindow = new WorkWindow(m_ras, FixedBorder);
    m_mdi->addSubWindow(rasWindow);
    rasWindow->adjustSize();
    rasWindow->move(propWindow->width(), 0);

    m_form5 = new TForm5(m_project, this);
    m_form5->setWindowFlags(Qt::Window);
    m_form5->hide();
    m_form7 = new TForm7(m_project, this);
    m_form7->hide();
    // The reader link: Go, StopBtn and Label2 of the calculation window, the
    // hidden diagnostic controls, the ways to the log window, and the stop of
    // a running acquisition when this window closes.
    new ReaderControls(m_project, this, *m_ras, diagnostics, m_form5);

    resize(1132, 672);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

TForm1::~TForm1() = default;

void TForm1::createMenu()
{
    auto* menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("MainMenu1"));
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

    QMenu* n1 = addMenu("N1", QStringLiteral("Файл"));
    QAction* n4 = addItem(n1, "N4", QStringLiteral("Новый"), QKeySequence::New);
    connect(n4, &QAction::triggered, this, &TForm1::N4Click);
    QAction* n5 = addItem(n1, "N5", QStringLiteral("Открыть ..."), QKeySequence::Open);
    connect(n5, &QAction::triggered, this, &TForm1::N5Click);
    connect(addItem(n1, "N6", QStringLiteral("Сохранить ..."), QKeySequence::Save), &QAction::triggered, this, &TForm1::N6Click);
    // The import writes densities: not while the reader fills the plate.
    QAction* importItem = addItem(n1, "NImport", QStringLiteral("Импорт ..."), {});
    connect(importItem, &QAction::triggered, this, &TForm1::importClick);
    connect(&m_project, &Project::plateLockChanged, importItem, &QAction::setDisabled);
    // The export writes a file and changes nothing of the plate: it stays
    // enabled while the plate is read (its results are forgotten then anyway).
    connect(addItem(n1, "NExportResults", QStringLiteral("Экспорт результатов ..."), {}), &QAction::triggered, this,
            &TForm1::exportResultsClick);
    // The protocol of the plate as "Протокол" writes it, printed or as PDF;
    // they change nothing, so they stay while the reader fills the plate.
    connect(addItem(n1, "ProtocolPrint", QStringLiteral("Печать ..."), QKeySequence::Print), &QAction::triggered, this,
            [this] { runCommand(this, [this] { printProtocol(this, protocolTextLines(m_project)); }); });
    connect(addItem(n1, "ProtocolPdf", QStringLiteral("Сохранить как PDF ..."), {}), &QAction::triggered, this,
            [this] { runCommand(this, [this] { saveProtocolPdf(this, protocolTextLines(m_project)); }); });
    QMenu* n2 = addMenu("N2", QStringLiteral("Настройки"));
    QAction* n7 = addItem(n2, "N7", QStringLiteral("РИДЕР ..."), {});
    connect(n7, &QAction::triggered, this, &TForm1::N7Click);
    // While the reader fills the plate, neither another project nor another
    // port; saving stays, as it changes nothing.
    connect(&m_project, &Project::plateLockChanged, this, [n4, n5, n7](bool locked) {
        for (QAction* action : {n4, n5, n7})
            action->setDisabled(locked);
    });
    addItem(n2, "N8", QStringLiteral("Параметры"), {});
    QMenu* n3 = addMenu("N3", QStringLiteral("Помощь"));
    addItem(n3, "N9", QStringLiteral("О программе ..."), {});

    // The run archive: the plate stored as "Протокол" stores it, the journal
    // of stored runs, and where the archive lives. "В архив" changes nothing
    // of the plate, so it stays while the reader fills it.
    QMenu* archiveMenu = addMenu("NArchive", QStringLiteral("Архив"));
    connect(addItem(archiveMenu, "NArchiveRun", QStringLiteral("В архив"), {}), &QAction::triggered, this,
            &TForm1::archiveRunClick);
    connect(addItem(archiveMenu, "NJournal", QStringLiteral("Журнал планшетов ..."), {}), &QAction::triggered, this,
            &TForm1::journalClick);
    addQcAction(archiveMenu, this, *m_archive);
    connect(addItem(archiveMenu, "NArchiveLocation", QStringLiteral("Место архива ..."), {}), &QAction::triggered,
            this, &TForm1::archiveLocationClick);
}

DiagnosticControls TForm1::createTestControls()
{
    // Diagnostic controls of the reader link; created hidden and never shown.
    auto* button1 = new QPushButton(QStringLiteral("Инициализация"), this);
    button1->setObjectName(QStringLiteral("Button1"));
    button1->setGeometry(0, 0, 93, 19);
    button1->hide();
    auto* button2 = new QPushButton(QStringLiteral("тест"), this);
    button2->setObjectName(QStringLiteral("Button2"));
    button2->setGeometry(0, 0, 75, 19);
    button2->hide();
    auto* edtWrite = new QLineEdit(QStringLiteral("edtWrite"), this);
    edtWrite->setObjectName(QStringLiteral("edtWrite"));
    edtWrite->setGeometry(0, 0, 121, 21);
    edtWrite->hide();
    return {button1, button2, edtWrite};
}

void TForm1::N4Click()
{
    runCommand(this, [this] { newProject(m_project); });
}

void TForm1::N5Click()
{
    const QString name = Dialogs::get().openFileName(this, ProjectFilter);
    if (name.isEmpty())
        return;
    openFile(name);
}

void TForm1::openFile(const QString& name)
{
    runCommand(this, [&] { openProject(m_project, name); });
}

void TForm1::openFileWhenShown(const QString& name)
{
    QMetaObject::invokeMethod(this, [this, name] { openFile(name); }, Qt::QueuedConnection);
}

void TForm1::N6Click()
{
    const QString name = Dialogs::get().saveFileName(this, ProjectFilter);
    if (name.isEmpty())
        return;
    runCommand(this, [&] { saveProject(m_project, projectFileName(name)); });
}

void TForm1::importClick()
{
    const QString name = Dialogs::get().openFileName(this, ReaderExportFilter);
    if (name.isEmpty())
        return;
    QString message;
    runCommand(this, [&] { message = files::importDensities(m_project, name); });
    if (!message.isEmpty())
        Dialogs::get().message(this, message);
}

void TForm1::N7Click()
{
    m_form7->exec();
}

void TForm1::exportResultsClick()
{
    const PlateResult* result = m_ras->lastResult();
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

JournalWindow* TForm1::journal() const
{
    return m_journal.data();
}

void TForm1::archiveRunClick()
{
    runCommand(this, [this] {
        Archive& archive = m_archive->archive();
        const qint64 seq = archiveRun(m_project, m_ras->lastResult(), archive, QDateTime::currentDateTime());
        m_archive->notifyArchived();
        Dialogs::get().message(this, QStringLiteral("Планшет «%1» записан в архив %2 под номером %3.")
                                         .arg(m_project.plateName(), archive.location().displayName())
                                         .arg(seq));
    });
}

void TForm1::journalClick()
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

void TForm1::archiveLocationClick()
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

} // namespace pleq
