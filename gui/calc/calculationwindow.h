#pragma once

#include "core/model/densityblock.h"

#include <QList>
#include <QPoint>
#include "core/calc/plateresult.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pleq {

class ArchiveSession;
class DensityView;
class GridView;
class Project;
class ProtocolWindow;

// CalculationWindow, "Расчет": the densities of the plate (typed in while "Ручной ввод" is
// checked, or fetched by the reader link, which drives "Получить данные",
// "Прервать" and the connection label), the coloured result grid and the ten
// summary labels of the last calculation. While the plate is locked nothing
// here changes the densities or the results.
class CalculationWindow : public QWidget
{
    Q_OBJECT
public:
    explicit CalculationWindow(Project& project, QWidget* parent = nullptr);

    void calculate();            // "Расчет"
    void writeAndShowProtocol(); // "Протокол"
    void clearAllDensities();    // "Очистить данные"

    // The last "Расчет" run while the plate is as it left it: none before a
    // run, after a run an error stopped, and once the kit, the material, the
    // layout, the densities or the results change.
    const PlateResult* lastResult() const { return m_lastResult ? &*m_lastResult : nullptr; }

    // The archive "Протокол" stores each run in; none: the protocol only.
    void setArchiveSession(ArchiveSession* session) { m_archive = session; }

    // The reader link's controls.
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* stopButton() const { return m_stopButton; }
    QLabel* connectionLabel() const { return m_connectionLabel; }

private:
    // The density grid's keys: a block pasted, wells cleared, and the undo
    // of the last of them.
    void pasteBlock(QPoint well, const QString& text);
    void clearWells(const QList<QPoint>& wells);
    void undoDensities();
    void showProtocol(const QString& path); // in the viewer, or in a window of ours
    void showLabels();
    void manualEntryChanged();
    void setPlateLocked(bool locked);

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
    // The wells the last paste or clear wrote, with their texts before; empty
    // once the densities changed otherwise.
    QList<WellText> m_undo;
    bool m_keepUndo = false; // set while a paste, clear or undo writes

    std::optional<PlateResult> m_lastResult;
    int m_resultMaterial = 0;
    QPointer<ProtocolWindow> m_protocolWindow; // where no viewer opens result.txt
    ArchiveSession* m_archive = nullptr;
};

} // namespace pleq
