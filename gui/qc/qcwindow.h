#pragma once

#include "core/qc/controlquality.h"

#include <QStringList>
#include <QWidget>

#include <map>

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLayout;
class QMenu;
class QSpinBox;
class QSplitter;
class QTreeWidget;
class QVBoxLayout;

namespace pleq {

class Archive;
class ArchiveSession;
class JournalWindow;

// "Контроль качества": the Levey–Jennings charts of one kit's controls over
// the archived runs, the Westgard rules' flags on them and a list of the
// flagged points. The kit's control points are read from the archive when
// the kit is chosen and after each run archived meanwhile; a change of the
// baseline or the range shown recalculates from them. It closes when the
// archive moves.
class QcWindow : public QWidget
{
    Q_OBJECT
public:
    // Opens the session's archive; throws Error naming it and the reason.
    explicit QcWindow(ArchiveSession& session, QWidget* parent = nullptr);
    ~QcWindow() override;

    const qc::Result& result() const { return m_result; }
    // Recalculates and redraws, reading the archive first when the kit changed
    // or a run was archived; an archive error shows in the error box.
    void refresh();

private:
    // The window's parts, built in this order by the constructor.
    QLayout* createSettingsRow();
    QGroupBox* createBaselineBox();
    QGroupBox* createRangeBox();
    QLayout* createButtons();
    void createMessages();
    QSplitter* createChartsAndList();
    void connectSettings();

    qc::Baseline chosenBaseline() const;
    void savePng();
    void print();

    ArchiveSession& m_session;
    std::vector<qc::Point> m_points; // every control point of the kit chosen
    bool m_pointsRead = false;
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

// "Архив" → "Контроль качества ...": a new window over the session's archive.
// Throws Error when the archive cannot be opened (no window then).
QcWindow* openQcWindow(QWidget* parent, ArchiveSession& session);
// Adds "Контроль качества ..." (object name "NQc") to `menu`; its click opens
// the window over `parent`, an error shows in the error box.
QAction* addQcAction(QMenu* menu, QWidget* parent, ArchiveSession& session);

// Fills the journal's column from a thread of Qt's pool over a connection of
// its own (about 2 s on 100,000 runs, most of it reading the points), so the
// journal never waits for it; a newer fill replaces one still running.
void fillQcFlags(JournalWindow& journal, ArchiveSession& session);
// fillQcFlags now, and again after each run archived while the journal shows.
void showQcFlags(JournalWindow& journal, ArchiveSession& session);

// "Сохранить PNG ...": the charts as one PNG (".png" added when the name has none). Throws Error.
void saveQcPng(QWidget* parent, const qc::Result& result);
// "Печать ...": the charts on one page through the print dialog.
void printQc(QWidget* parent, const qc::Result& result);

} // namespace pleq
