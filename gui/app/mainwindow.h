#pragma once

#include <QMainWindow>
#include <QPointer>

class QMdiArea;

namespace pleq {

class ArchiveSession;
class JournalWindow;
class Project;
class TProp;
class TRosp;
class TRas;
class TForm5;
class TForm7;
struct DiagnosticControls;

// TForm1: the frame that holds the three working windows and the menu.
// It creates the other five windows in their fixed order: the layout and
// calculation windows place themselves by the parameters window, and the
// layout window's first fill reads the kit.
class TForm1 : public QMainWindow
{
    Q_OBJECT
public:
    explicit TForm1(Project& project, QWidget* parent = nullptr);
    ~TForm1() override;

    TProp* prop() const { return m_prop; }
    TRosp* rosp() const { return m_rosp; }
    TRas* ras() const { return m_ras; }
    TForm5* form5() const { return m_form5; }
    TForm7* form7() const { return m_form7; }
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

private:
    void createMenu();
    DiagnosticControls createTestControls();
    void N4Click();
    void N5Click();
    void N6Click();
    void N7Click();
    void importClick(); // "Импорт ...": densities from a reader's export file
    void exportResultsClick(); // "Экспорт результатов ..."
    void archiveRunClick();      // "В архив"
    void journalClick();         // "Журнал планшетов ..."
    void archiveLocationClick(); // "Место архива ..."

    Project& m_project;
    QMdiArea* m_mdi = nullptr;
    TProp* m_prop = nullptr;
    TRosp* m_rosp = nullptr;
    TRas* m_ras = nullptr;
    TForm5* m_form5 = nullptr;
    TForm7* m_form7 = nullptr;
    ArchiveSession* m_archive = nullptr;
    QPointer<JournalWindow> m_journal;
};

} // namespace pleq
