#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace pleq {

class ArchiveSession;
class CalculationSession;
class DensityView;
class EditStack;
class GridView;
class Project;
class ProtocolWindow;

// CalculationWindow, "Расчет": the densities of the plate (typed in while "Ручной ввод" is
// checked, or fetched by the reader link, which drives "Получить данные",
// "Прервать" and the connection label), the coloured result grid and the ten
// summary labels of the last calculation. The run goes to the session, which
// keeps it while the plate is as it left it; the densities change only through
// the undo stack. While the plate is locked nothing here changes the
// densities or the results.
class CalculationWindow : public QWidget
{
    Q_OBJECT
public:
    // Runs go to `session`, edits through `edits`; both hold the same project.
    CalculationWindow(CalculationSession& session, EditStack& edits, QWidget* parent = nullptr);

    void calculate();            // "Расчет"
    void writeAndShowProtocol(); // "Протокол"
    void clearAllDensities();    // "Очистить данные"

    // The archive "Протокол" stores each run in; none: the protocol only.
    void setArchiveSession(ArchiveSession* session) { m_archive = session; }

    // The reader link's controls.
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QLabel* connectionLabel() const { return m_connectionLabel; }

private:
    // The window's parts, one per group box.
    QGroupBox* createDensityBox();
    void connectDensityGrid();
    QGroupBox* createCalculationBox();
    QGroupBox* createSummaryBox(QWidget* parent);

    // The density grid's keys: a block pasted, wells cleared.
    void pasteBlock(QPoint well, const QString& text);
    void clearWells(const QList<QPoint>& wells);
    void showProtocol(const QString& path); // in the viewer, or in a window of ours
    void showLabels();
    void manualEntryChanged();
    void setPlateLocked(bool locked);

    CalculationSession& m_session;
    EditStack& m_edits;
    Project& m_project;
    DensityView* m_densityGrid;
    GridView* m_resultGrid;
    QCheckBox* m_manualEntryBox;
    QPushButton* m_calculateButton = nullptr;
    QPushButton* m_clearButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QPushButton* m_stopButton = nullptr;
    QLabel* m_connectionLabel = nullptr;
    std::array<QLabel*, 10> m_labels{};
    QPointer<ProtocolWindow> m_protocolWindow; // where no viewer opens result.txt
    ArchiveSession* m_archive = nullptr;
};

} // namespace pleq
