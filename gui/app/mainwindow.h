#pragma once

#include <QMainWindow>
#include <QPointer>

class QMdiArea;

namespace pleq {

class ArchiveSession;
class CalculationSession;
class EditStack;
class JournalWindow;
class Project;
class Session;
class ProjectWindow;
class LayoutWindow;
class CalculationWindow;
class ReaderLogWindow;
class PortDialog;
struct DiagnosticControls;

// MainWindow: the frame that holds the three working windows and the menu.
// It creates the other five windows in their fixed order over the session it
// is given: the layout and calculation windows place themselves by the
// parameters window, and the layout window's first fill reads the kit. Its
// menu ("Правка" included) forwards to the session's parts.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(Session& session, QWidget* parent = nullptr);
    ~MainWindow() override;

    ProjectWindow* projectWindow() const { return m_projectWindow; }
    LayoutWindow* layoutWindow() const { return m_layoutWindow; }
    CalculationWindow* calculationWindow() const { return m_calculationWindow; }
    ReaderLogWindow* readerLogWindow() const { return m_readerLogWindow; }
    PortDialog* portDialog() const { return m_portDialog; }
    // The session's parts.
    CalculationSession& session() const { return *m_session; }
    EditStack& edits() const { return *m_edits; }
    // The application's archive, opened on first use.
    ArchiveSession& archive() const { return *m_archive; }
    // "Журнал планшетов" while it is open.
    JournalWindow* journal() const;

    // Opens a project file as "Открыть ..." does: an error shows the usual
    // box and leaves the project as it was.
    void openFile(const QString& name);
    // The same, once the event loop runs, so that an error box stands over
    // the shown window (the file named on the command line).
    void openFileWhenShown(const QString& name);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenu();
    void createEditMenu();
    DiagnosticControls createDiagnosticControls();
    void startNewProject();       // "Новый"
    void chooseAndOpenFile();     // "Открыть ..."
    void saveProjectAs();         // "Сохранить ..."
    void showPortDialog();        // "РИДЕР ..."
    void importReaderExport();    // "Импорт ...": densities from a reader's export file
    void exportResultsToFile();   // "Экспорт результатов ..."
    void storeRunInArchive();     // "В архив"
    void showJournal();           // "Журнал планшетов ..."
    void chooseArchiveLocation(); // "Место архива ..."
    void showAbout();             // "О программе ..."

    Session& m_whole;
    Project& m_project;
    CalculationSession* m_session = nullptr;
    EditStack* m_edits = nullptr;
    QMdiArea* m_mdi = nullptr;
    ProjectWindow* m_projectWindow = nullptr;
    LayoutWindow* m_layoutWindow = nullptr;
    CalculationWindow* m_calculationWindow = nullptr;
    ReaderLogWindow* m_readerLogWindow = nullptr;
    PortDialog* m_portDialog = nullptr;
    ArchiveSession* m_archive = nullptr;
    QPointer<JournalWindow> m_journal;
    QMetaObject::Connection m_closeWhenWritten;
};

} // namespace pleq
