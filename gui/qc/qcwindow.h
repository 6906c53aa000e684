#pragma once

#include "archive/location.h"
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
class Worker;

// "Контроль качества": the Levey–Jennings charts of one kit's controls over
// the archived runs, the Westgard rules' flags on them and a list of the
// flagged points. The kit's control points are read from the archive when
// the kit is chosen and after each run archived meanwhile, on the window's
// worker thread ("Загрузка ..." above the charts meanwhile; a window closed
// mid-read drops what the read brings); a change of the baseline or the range
// shown recalculates from them. It closes when the archive moves, and when
// its first read fails.
class QcWindow : public QWidget
{
    Q_OBJECT
public:
    // Throws Error when the place set names no archive; the archive itself is
    // opened by the first read.
    explicit QcWindow(ArchiveSession& session, QWidget* parent = nullptr);
    ~QcWindow() override;

    const qc::Result& result() const { return m_result; }
    // Recalculates and redraws, reading the archive first when the kit changed
    // or a run was archived; an archive error shows in the error box.
    void refresh();
    // A read of the archive not told yet.
    bool loading() const;

Q_SIGNALS:
    // A read told: the charts show its points, or its error was shown.
    void loaded();

private:
    // The window's parts, built in this order by the constructor.
    QLayout* createSettingsRow();
    QGroupBox* createBaselineBox();
    QGroupBox* createRangeBox();
    QLayout* createButtons();
    void createMessages();
    QSplitter* createChartsAndList();
    void connectSettings();

    void readPoints();
    void showLoading();
    void readFailed(const QString& message);
    qc::Baseline chosenBaseline() const;
    void savePng();
    void print();

    ArchiveSession& m_session;
    ArchiveLocation m_location;
    Worker* m_worker = nullptr;
    std::vector<qc::Point> m_points; // every control point of the kit chosen
    bool m_pointsRead = false;
    int m_read = 0;       // the number of the last read given: an older one's points are dropped
    bool m_shown = false; // the first read has been told
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

// Fills the journal's column on the journal's worker of the flags, over a
// connection of its own (about 2 s on 100,000 runs, most of it reading the
// points), so the journal's reads never wait for it; fills follow one another
// in order, the newest shown last.
void fillQcFlags(JournalWindow& journal, ArchiveSession& session);
// fillQcFlags now, and again after each run archived while the journal shows.
void showQcFlags(JournalWindow& journal, ArchiveSession& session);

// "Сохранить PNG ...": the charts as one PNG (".png" added when the name has none). Throws Error.
void saveQcPng(QWidget* parent, const qc::Result& result);
// "Печать ...": the charts on one page through the print dialog.
void printQc(QWidget* parent, const qc::Result& result);

} // namespace pleq
