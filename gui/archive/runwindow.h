#pragma once

#include "archive/archive.h"

#include <QStringList>
#include <QWidget>

class QHBoxLayout;
class QLabel;
class QTabWidget;
class QTableWidget;

namespace pleq {

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
    // The window's parts, made once by the constructor.
    QLabel* createInfo();     // number, time, executor, kit, plate, material, workstation
    QTabWidget* createTabs(); // results, layout, densities, protocol, messages
    QWidget* createResultsPage(QWidget* parent, QTableWidget* results); // the result grid, the summary labels under it
    void fillPlates(QTableWidget* layout, QTableWidget* densities, QTableWidget* results) const;
    QWidget* createProtocolView(QWidget* parent);
    QWidget* createMessagesView(QWidget* parent);
    QHBoxLayout* createButtons(); // "Печать ...", "Сохранить проект ...", "Экспорт результатов ..."
    QTableWidget* addPlate(const char* name);

    StoredRun m_run;
    QStringList m_protocol;
};

} // namespace pleq
