#pragma once

#include "core/qc/controlquality.h"

#include <QWidget>

#include <memory>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QMenu;
class QSpinBox;
class QTreeWidget;
class QVBoxLayout;

namespace pleq {

class Archive;

// "Контроль качества": the Levey–Jennings charts of one kit's controls over
// the archived runs, the Westgard rules' flags on them and a list of the
// flagged points. Each change of the kit, the baseline or the range shown
// reads the kit's control points from the archive once and recalculates.
class QcWindow : public QWidget
{
    Q_OBJECT
public:
    // Takes an open archive.
    explicit QcWindow(std::unique_ptr<Archive> archive, QWidget* parent = nullptr);
    ~QcWindow() override;

    const qc::Result& result() const { return m_result; }
    // Reads the archive and redraws; an archive error shows in the error box.
    void refresh();

private:
    qc::Baseline chosenBaseline() const;
    void savePng();
    void print();

    std::unique_ptr<Archive> m_archive;
    qc::Result m_result;
    QComboBox* m_kit = nullptr;
    QButtonGroup* m_baselineKind = nullptr;
    QSpinBox* m_baselineRuns = nullptr;
    QDateEdit* m_baselineFrom = nullptr;
    QDateEdit* m_baselineTo = nullptr;
    QCheckBox* m_range = nullptr;
    QDateEdit* m_from = nullptr;
    QDateEdit* m_to = nullptr;
    QVBoxLayout* m_charts = nullptr;
    QLabel* m_messages = nullptr;
    QTreeWidget* m_flagged = nullptr;
};

// "Архив" → "Контроль качества ...": opens the archive in use and shows its
// window. An archive that cannot be opened: the error box, no window.
void openQcWindow(QWidget* parent);
// Adds "Контроль качества ..." (object name "QcAction") to `menu`; its click opens the window over `parent`.
QAction* addQcAction(QMenu* menu, QWidget* parent);

// "Сохранить PNG ...": the charts as one PNG (".png" added when the name has none). Throws Error.
void saveQcPng(QWidget* parent, const qc::Result& result);
// "Печать ...": the charts on one page through the print dialog.
void printQc(QWidget* parent, const qc::Result& result);

} // namespace pleq
