#include "gui/archive/runwindow.h"

#include "core/calc/plateresult.h"
#include "core/calc/resultcell.h"
#include "core/files/csvexport.h"
#include "core/files/fileio.h"
#include "core/files/projectfile.h"
#include "core/files/protocolpages.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "gui/app/dialogs.h"
#include "gui/app/protocolwindow.h"
#include "print/protocolprint.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace pleq {

namespace {

const QString ProjectFilter = QStringLiteral("Файлы проекта (*.plq)");

QString rowLetter(int row)
{
    return QString(QChar(u'A' + row - 1));
}

} // namespace

RunWindow::RunWindow(StoredRun run, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_run(std::move(run))
{
    setObjectName(QStringLiteral("runWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Запись архива № %1 — %2").arg(m_run.seq).arg(m_run.record.plateName));
    m_protocol = protocolTextLines(m_run.record.protocol);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(createInfo());
    layout->addWidget(createTabs());
    layout->addLayout(createButtons());
    resize(900, 520);
}

QLabel* RunWindow::createInfo()
{
    const RunRecord& record = m_run.record;
    QString info = QStringLiteral("№ %1, %2, исполнитель: %3, набор: %4, планшет: %5")
                       .arg(m_run.seq)
                       .arg(record.time.toString(QStringLiteral("dd.MM.yyyy HH:mm:ss")), record.executor,
                            kitEntry(record.kit).rowText(), record.plateName);
    if (record.material)
        info += QStringLiteral(", материал: ")
                + (*record.material == 0 ? QStringLiteral("Молоко") : QStringLiteral("Сыворотка"));
    info += QStringLiteral("\nрабочее место: %1, пользователь: %2").arg(record.host, record.osUser);
    auto* infoLabel = new QLabel(info, this);
    infoLabel->setObjectName(QStringLiteral("run.info"));
    infoLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return infoLabel;
}

QTabWidget* RunWindow::createTabs()
{
    auto* tabs = new QTabWidget(this);
    tabs->setObjectName(QStringLiteral("run.tabs"));
    QTableWidget* layoutGrid = addPlate("run.layout");
    QTableWidget* densities = addPlate("run.densities");
    QTableWidget* results = addPlate("run.results");
    fillPlates(layoutGrid, densities, results);
    tabs->addTab(createResultsPage(tabs, results), QStringLiteral("Результаты"));
    tabs->addTab(layoutGrid, QStringLiteral("План планшета"));
    tabs->addTab(densities, QStringLiteral("Оптические плотности"));
    tabs->addTab(createProtocolView(tabs), QStringLiteral("Протокол"));
    tabs->addTab(createMessagesView(tabs), QStringLiteral("Сообщения"));
    return tabs;
}

void RunWindow::fillPlates(QTableWidget* layoutGrid, QTableWidget* densities, QTableWidget* results) const
{
    for (const ArchivedWell& well : m_run.record.wells) {
        if (well.col < 1 || well.col > 12 || well.row < 1 || well.row > 8)
            continue;
        layoutGrid->setItem(well.row - 1, well.col - 1, new QTableWidgetItem(well.layout));
        densities->setItem(well.row - 1, well.col - 1, new QTableWidgetItem(well.density));
        // The result grid's drawing rule, over the layout text stored with the well.
        const DrawnCell cell = drawnWell(WellResult{well.value, well.verdict}, well.layout, false);
        auto* item = new QTableWidgetItem(cell.text);
        item->setForeground(QColor::fromRgb(cellRgb(cell.color)));
        results->setItem(well.row - 1, well.col - 1, item);
    }
}

QWidget* RunWindow::createResultsPage(QWidget* parent, QTableWidget* results)
{
    // The summary labels under the results, as the calculation window shows them.
    auto* resultsPage = new QWidget(parent);
    auto* labels = new QHBoxLayout;
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& state = m_run.record.labels[size_t(i)];
        auto* label = new QLabel(state.text, resultsPage);
        label->setObjectName(QStringLiteral("run.summary.%1").arg(i + 1));
        if (state.color != LabelColor::Default) {
            QPalette palette = label->palette();
            palette.setColor(QPalette::WindowText,
                             state.color == LabelColor::Green ? QColor(0, 128, 0) : QColor(255, 0, 0));
            label->setPalette(palette);
        }
        label->setVisible(state.visible);
        labels->addWidget(label);
    }
    labels->addStretch();
    auto* resultsLayout = new QVBoxLayout(resultsPage);
    resultsLayout->addWidget(results);
    resultsLayout->addLayout(labels);
    return resultsPage;
}

QWidget* RunWindow::createProtocolView(QWidget* parent)
{
    auto* protocol = new QPlainTextEdit(parent);
    protocol->setObjectName(QStringLiteral("run.protocol"));
    protocol->setReadOnly(true);
    protocol->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The printed protocol's font where it holds every character, as the
    // protocol window shows it; otherwise the desktop's fixed font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    try {
        font = protocolFont(m_protocol);
        font.setPointSize(10);
    } catch (const Error&) {
    }
    protocol->setFont(font);
    protocol->setPlainText(m_protocol.join(QLatin1Char('\n')));
    return protocol;
}

QWidget* RunWindow::createMessagesView(QWidget* parent)
{
    auto* messages = new QPlainTextEdit(parent);
    messages->setObjectName(QStringLiteral("run.messages"));
    messages->setReadOnly(true);
    messages->setPlainText((m_run.record.messages + m_run.record.log).join(QLatin1Char('\n')));
    return messages;
}

QHBoxLayout* RunWindow::createButtons()
{
    auto addButton = [this](const char* name, const QString& text, void (RunWindow::*slot)()) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QLatin1String(name));
        connect(button, &QPushButton::clicked, this, slot);
        return button;
    };
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(addButton("run.print", QStringLiteral("Печать ..."), &RunWindow::printRunProtocol));
    buttons->addWidget(
        addButton("run.saveProject", QStringLiteral("Сохранить проект ..."), &RunWindow::saveRunProject));
    buttons->addWidget(
        addButton("run.export", QStringLiteral("Экспорт результатов ..."), &RunWindow::exportRunResults));
    return buttons;
}

QTableWidget* RunWindow::addPlate(const char* name)
{
    auto* grid = new QTableWidget(8, 12, this);
    grid->setObjectName(QLatin1String(name));
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QStringList columns, rows;
    for (int col = 1; col <= 12; ++col)
        columns << QString::number(col);
    for (int row = 1; row <= 8; ++row)
        rows << rowLetter(row);
    grid->setHorizontalHeaderLabels(columns);
    grid->setVerticalHeaderLabels(rows);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    return grid;
}

void RunWindow::printRunProtocol()
{
    runCommand(this, [this] { printProtocol(this, m_protocol); });
}

void RunWindow::saveRunProject()
{
    const QString name = Dialogs::get().saveFileName(this, ProjectFilter);
    if (name.isEmpty())
        return;
    // The bytes as archived: the file reopens to the project of the run.
    runCommand(this, [&] { files::writeFileAtomically(projectFileName(name), m_run.record.projectFile); });
}

void RunWindow::exportRunResults()
{
    CsvStyle style = CsvStyle::Machine;
    const QString name = resultsCsvFileName(this, &style);
    if (name.isEmpty())
        return;
    runCommand(this, [&] {
        // The texts from the stored project file, the values as the run stored them.
        Project project;
        readProjectFile(project, m_run.record.projectFile);
        exportResults(project, storedResult(m_run.record), QDateTime::currentDateTime(), style, name);
    });
}

} // namespace pleq
