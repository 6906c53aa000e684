#pragma once

#include "core/kits/kit.h"
#include "core/model/settings.h"
#include "core/model/textgrid.h"
#include "core/model/wellresult.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>

namespace pleq {

enum class LabelColor { Default, Green, Red };

// The ten summary labels of the calculation window, in their fixed order.
enum class Label { s0, s1, s2, s3, s4, s5, ot1, ot2, dC0, dC1 };
inline constexpr int LabelCount = 10;
const char* labelName(Label label);
const char* labelColorName(LabelColor color); // "default", "green", "red"

struct SummaryLabel {
    QString text = QStringLiteral("-");
    LabelColor color = LabelColor::Default;
    bool visible = true;
};

// The one project the application holds, every piece in the text form its
// control shows, and the results of the last calculation as values. The
// windows present it and write the user's edits into it through the
// operations (core/model/operations.h and the folders'); the layout rules,
// calculations, project file, protocol and acquisition work on it alone, so
// they run the same without the windows (pleq-cli, tests).
class Project : public QObject
{
    Q_OBJECT
public:
    static constexpr int PlateColumns = 13; // header column + 12
    static constexpr int PlateRows = 9;     // header row + 8
    static const QString EmptyWell;         // " - "

    explicit Project(QObject* parent = nullptr);

    // --- settings ---
    const QString& executor() const { return m_executor; }
    void setExecutor(const QString& name);

    // The kit; its catalogue entry (core/kits/catalogue.h) holds all that depends on it.
    Kit kit() const { return m_kit; }
    int kitIndex() const { return int(m_kit); } // the kit box row
    QString kitRow() const;
    int kitCode() const { return kitIndex() + 1; } // 1..5
    // The kit change: selects the kit and checks the vertical orientation.
    // The caption, the material box and the horizontal choice follow from the
    // kit's entry and are derived, never stored.
    void selectKit(Kit kit);
    bool materialOffered() const;
    bool horizontalOffered() const;
    QString caption() const { return QStringLiteral("Проект [") + kitRow() + QLatin1Char(']'); }

    const QString& plateName() const { return m_plateName; }
    void setPlateName(const QString& name);
    const FirstWell& firstWell() const { return m_firstWell; }
    const FirstRow& firstRow() const { return m_firstWell.row; }
    const FirstColumn& firstColumn() const { return m_firstWell.column; }
    void setFirstWell(const FirstWell& well);
    bool horizontal() const { return m_horizontal; } // else vertical
    void setHorizontal(bool horizontal);
    const ControlCount& controlCount() const { return m_controlCount; }
    void setControlCount(const ControlCount& count);
    const Repetitions& repetitions() const { return m_repetitions; }
    void setRepetitions(const Repetitions& repetitions);
    Material material() const { return m_material; }
    void setMaterial(Material material);

    // --- the four grids ---
    TextGrid& plateLayout() { return m_layout; }
    const TextGrid& plateLayout() const { return m_layout; }
    TextGrid& sampleTable() { return m_samples; }
    const TextGrid& sampleTable() const { return m_samples; }
    TextGrid& densityTable() { return m_densities; }
    const TextGrid& densityTable() const { return m_densities; }
    // The result grid shows the wells of the last calculation, each by its
    // shown text; only setResultWells and fillEmptyResults change it.
    const TextGrid& resultTable() const { return m_results; }

    // --- the results of the last calculation ---
    const PlateWells& resultWells() const { return m_resultWells; }
    void setResultWells(const PlateWells& wells);

    // --- summary labels ---
    const SummaryLabel& label(Label l) const { return m_labels[size_t(l)]; }
    void setLabelText(Label l, const QString& text);
    void setLabelColor(Label l, LabelColor color);
    void setLabelVisible(Label l, bool visible);

    // --- process-wide ---
    int portNumber() const { return m_portNumber; }
    void setPortNumber(int number);
    const QStringList& readerLog() const { return m_log; }
    void appendLog(const QString& line);

    // --- the plate being read ---
    // While the reader fills the densities nothing may change the kit, the
    // layout, the sample list, the densities, the results or the open project:
    // the densities go into the wells of the layout the acquisition began with.
    bool plateLocked() const { return m_plateLocked; }
    void setPlateLocked(bool locked);
    // Throws Error (PlateLockedMessage) while the plate is locked; every
    // operation that changes the plate calls it first.
    void ensureUnlocked() const;
    static const QString PlateLockedMessage;

    // --- the four reset operations ---
    void fillEmptyLayout();    // every cell " - ", then the headers
    void fillEmptyDensities(); // every cell empty, then the headers
    void fillEmptyResults();   // no well has a result: every cell empty, then the headers
    void resetLabels();        // the ten texts become "-"; colours stay

    // The header fill of a 13 x 9 plate grid: every cell `blank`, then the
    // headers "1".."12" and "A".."H"; the corner keeps `blank`. Cell by cell,
    // so that a view keeps its current well.
    static void fillEmpty(TextGrid& grid, const QString& blank);

    // The sample list as it stands at start: header and "1", "Проба №1", "1".
    void resetSampleTable();

Q_SIGNALS:
    void settingsChanged();
    void kitChanged();
    void labelsChanged();
    void logAppended(const QString& line);
    void plateLockChanged(bool locked);

private:
    QString m_executor;
    Kit m_kit = Kit::K01;
    QString m_plateName = QStringLiteral("Новый");
    FirstWell m_firstWell;
    bool m_horizontal = false;
    ControlCount m_controlCount;
    Repetitions m_repetitions;
    Material m_material = Material::Serum;

    TextGrid m_layout{PlateColumns, PlateRows};
    TextGrid m_samples{3, 2};
    TextGrid m_densities{PlateColumns, PlateRows};
    TextGrid m_results{PlateColumns, PlateRows};
    PlateWells m_resultWells;

    std::array<SummaryLabel, LabelCount> m_labels;
    int m_portNumber = 0;
    QStringList m_log;
    bool m_plateLocked = false;
};

} // namespace pleq
