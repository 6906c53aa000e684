#pragma once

#include "archive/archive.h"

#include <QStringList>
#include <QWidget>

class QTableWidget;

namespace pleq {

struct PlateResult;

// One archived run, read-only: its plate layout, densities, results in the
// result grid's colours, summary labels, messages and protocol; it prints
// the protocol, saves the stored project file and exports the stored results.
class RunWindow : public QWidget
{
    Q_OBJECT
public:
    explicit RunWindow(StoredRun run, QWidget* parent = nullptr);

    const StoredRun& run() const { return m_run; }

    void printRunProtocol(); // "Печать ..."
    void saveRunProject();   // "Сохранить проект ..."
    void exportRunResults(); // "Экспорт результатов ..."

private:
    QTableWidget* addPlate(const char* name);

    StoredRun m_run;
    QStringList m_protocol;
};

// The run's results as the "Расчет" run that made them left them: wells,
// labels, messages and log lines as stored (not calculated again).
PlateResult storedResult(const RunRecord& record);

} // namespace pleq
