#include "gui/calc/calculationwindow.h"

#include "archive/archive.h"
#include "archive/operations.h"
#include "gui/app/dialogs.h"
#include "archive/archivesession.h"
#include "gui/app/gridview.h"
#include "gui/calc/densityview.h"
#include "core/calc/calculationsession.h"
#include "core/calc/resultcell.h"
#include "core/files/protocol.h"
#include "core/model/densityblock.h"
#include "core/files/protocolpages.h"
#include "gui/app/protocolwindow.h"
#include "core/model/errors.h"
#include "core/model/project.h"
#include "gui/commands/windowedits.h"
#include "gui/commands/gridcommands.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <functional>

namespace pleq {

namespace {

const QColor Green(0, 128, 0);
const QColor Red(255, 0, 0);
const QColor Maroon(128, 0, 0);

// The density grid's cell editor: read-only while manual entry is off or the
// plate is locked, so no character, deletion or paste reaches the densities;
// while the plate is locked it writes nothing at all.
class DensityDelegate : public GridDelegate
{
public:
    DensityDelegate(std::function<bool()> manualEntry, const Project& project, QObject* parent)
        : GridDelegate(parent)
        , m_manualEntry(std::move(manualEntry))
        , m_project(project)
    {
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (!m_project.plateLocked())
            GridDelegate::setModelData(editor, model, index);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = GridDelegate::createEditor(parent, option, index);
        m_editor = qobject_cast<QLineEdit*>(editor);
        if (m_editor)
            m_editor->setReadOnly(!m_manualEntry());
        return editor;
    }

    // The editor open when manual entry is switched, if any.
    void updateEditor() const
    {
        if (m_editor)
            m_editor->setReadOnly(!m_manualEntry());
    }

private:
    std::function<bool()> m_manualEntry;
    const Project& m_project;
    mutable QPointer<QLineEdit> m_editor;
};

// The result grid's cells: every cell painted whole, the wells by
// the drawing rule of the results (which never changes the project).
class ResultDelegate : public GridDelegate
{
public:
    ResultDelegate(const Project& project, QObject* parent)
        : GridDelegate(parent)
        , m_project(project)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        const QString text = index.data().toString();
        const QRect textRect = option.rect.adjusted(indent(index), 2, -RightMargin, 0);
        painter->save();
        if (isFixed(index)) {
            painter->fillRect(option.rect, option.palette.button());
            painter->setPen(QColor::fromRgb(cellRgb(HeaderColor)));
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop, text);
        } else {
            const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
            const bool current = view && view->currentIndex() == index;
            const int col = index.column();
            const int row = index.row();
            const DrawnCell cell =
                drawnWell(m_project.resultWells().at(col, row), m_project.plateLayout().cell(col, row), current);
            painter->fillRect(option.rect, current ? option.palette.highlight() : option.palette.button());
            painter->setPen(QColor::fromRgb(cellRgb(cell.color)));
            // A number wider than the widest column is marked as cut, never cut silently.
            painter->drawText(textRect, Qt::AlignLeft | Qt::AlignTop,
                              option.fontMetrics.elidedText(cell.text, Qt::ElideRight, textRect.width()));
        }
        painter->restore();
    }

    // The room the painted text takes, for the column widths and the tooltip.
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {indent(index) + option.fontMetrics.horizontalAdvance(index.data().toString()) + RightMargin,
                option.fontMetrics.height() + 2};
    }

private:
    static constexpr int RightMargin = 1;
    static int indent(const QModelIndex& index) { return isFixed(index) ? 10 : 1; }

    const Project& m_project;
};

QLabel* addLabel(QWidget* parent, const QString& name, const QString& text, const QColor& color = {})
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    if (color.isValid()) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, color);
        label->setPalette(palette);
    }
    return label;
}

QPushButton* addButton(QWidget* parent, const char* name, const QString& text)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

// The window's least size; it grows when its grids widen to their texts.
const QSize LeastSize(562, 519);

// The widest texts the plate grids' columns grow for: seven characters of a
// density, of a result and the negative's blank. Twelve such columns keep the
// window beside the layout window on a screen 1280 pixels wide; longer
// numbers are elided.
const QString WidestDensity = QStringLiteral("0,00000");
const QString WidestResult = QStringLiteral("0,00000 ");

// Both plate grids: 40 by 17 pixel cells on the button-face grey, no scroll bars.
template<typename View> View* setUpPlateGrid(View* view, const char* name)
{
    view->setObjectName(QLatin1String(name));
    QPalette palette = view->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    view->setPalette(palette);
    view->fitToGrid();
    return view;
}

} // namespace

CalculationWindow::CalculationWindow(CalculationSession& session, EditStack& edits, QWidget* parent)
    : QWidget(parent)
    , m_session(session)
    , m_edits(edits)
    , m_project(session.project())
{
    setObjectName(QStringLiteral("calcWindow"));
    setWindowTitle(QStringLiteral("Расчет"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    layout->addWidget(createDensityBox());
    layout->addWidget(createCalculationBox());
    // Every column as wide as its texts; the window follows its grids.
    m_densityGrid->fitColumnsToTexts(WidestDensity);
    m_resultGrid->fitColumnsToTexts(WidestResult);
    for (GridView* grid : {static_cast<GridView*>(m_densityGrid), m_resultGrid})
        connect(grid, &GridView::resizedToTexts, this, [this] { fitWindowToGrids(this, LeastSize); });
    fitWindowToGrids(this, LeastSize);

    // The project starts with both grids showing their headers only and the
    // labels "-"; the window shows it as it stands.
    showLabels();
    manualEntryChanged();
    connect(&m_project, &Project::labelsChanged, this, &CalculationWindow::showLabels);
}

// "Данные оптических плотностей": the density grid, the connection label,
// "Ручной ввод", "Очистить данные" and the reader link's two buttons.
QGroupBox* CalculationWindow::createDensityBox()
{
    auto* densityBox = new QGroupBox(QStringLiteral("Данные оптических плотностей"), this);
    densityBox->setObjectName(QStringLiteral("calc.densityBox"));
    m_densityGrid = setUpPlateGrid(new DensityView(&m_project.densityTable(), densityBox), "calc.densities");
    auto* connectionCaption = addLabel(densityBox, "calc.connectionCaption", QStringLiteral("Соединение с прибором:"));
    m_connectionLabel = addLabel(densityBox, "calc.connection", QStringLiteral("Нет"), Red);
    m_manualEntryBox = new QCheckBox(QStringLiteral("Ручной ввод"), densityBox);
    m_manualEntryBox->setObjectName(QStringLiteral("calc.manualEntry"));
    m_manualEntryBox->setChecked(true);
    m_clearButton = addButton(densityBox, "calc.clear", QStringLiteral("Очистить данные"));
    m_startButton = addButton(densityBox, "calc.start", QStringLiteral("Получить данные"));
    m_stopButton = addButton(densityBox, "calc.stop", QStringLiteral("Прервать"));
    m_stopButton->hide();

    auto* connection = new QHBoxLayout;
    connection->addWidget(connectionCaption);
    connection->addWidget(m_connectionLabel);
    connection->addStretch();
    connection->addWidget(m_manualEntryBox);
    auto* densityButtons = new QHBoxLayout;
    densityButtons->addWidget(m_clearButton);
    densityButtons->addWidget(m_startButton);
    densityButtons->addWidget(m_stopButton);
    densityButtons->addStretch();
    auto* upper = new QVBoxLayout(densityBox);
    upper->setContentsMargins(6, 2, 6, 4);
    upper->setSpacing(3);
    upper->addWidget(m_densityGrid);
    upper->addLayout(connection);
    upper->addLayout(densityButtons);

    connectDensityGrid();
    connect(m_clearButton, &QPushButton::clicked, this, &CalculationWindow::clearAllDensities);
    return densityBox;
}

// The density grid's typing, keys and the switches that make it read-only.
void CalculationWindow::connectDensityGrid()
{
    auto* densityDelegate = new DensityDelegate(
        [this] { return m_manualEntryBox->isChecked() && !m_project.plateLocked(); }, m_project, m_densityGrid);
    m_densityGrid->setItemDelegate(densityDelegate);
    densityDelegate->setCellCommit([this](int col, int row, const QString& text) {
        runEdit(m_edits, this, std::make_unique<DensityCellEdit>(m_project, col, row, text));
    });
    connect(m_manualEntryBox, &QCheckBox::toggled, this, [this, densityDelegate] {
        manualEntryChanged();
        densityDelegate->updateEditor();
    });
    connect(&m_project, &Project::plateLockChanged, this, [this, densityDelegate](bool locked) {
        setPlateLocked(locked);
        densityDelegate->updateEditor();
    });
    connect(m_densityGrid, &DensityView::pasteRequested, this, &CalculationWindow::pasteBlock);
    connect(m_densityGrid, &DensityView::clearRequested, this, &CalculationWindow::clearWells);
    // The grid takes Ctrl+Z for itself; it undoes the last step as the menu does.
    connect(m_densityGrid, &DensityView::undoRequested, this, [this] { undoEdit(m_edits, this); });
}

// "Расчет": the result grid, its legend, "Расчет", "Протокол" and the summary.
QGroupBox* CalculationWindow::createCalculationBox()
{
    auto* calculationBox = new QGroupBox(QStringLiteral("Расчет"), this);
    calculationBox->setObjectName(QStringLiteral("calc.calculationBox"));
    // The view only reads the result grid; the calculation writes its wells.
    m_resultGrid = setUpPlateGrid(new GridView(const_cast<TextGrid*>(&m_project.resultTable()), 40, 17, calculationBox),
                                  "calc.results");
    m_resultGrid->setItemDelegate(new ResultDelegate(m_project, m_resultGrid));
    m_resultGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Plain pixels in the font colours, as the classic grid draws them.
    QFont gridFont = m_resultGrid->font();
    gridFont.setStyleStrategy(QFont::NoAntialias);
    m_resultGrid->setFont(gridFont);

    auto* legend = new QHBoxLayout;
    legend->setSpacing(4);
    legend->addWidget(addLabel(calculationBox, "calc.legend.positive", QStringLiteral("Положительные"), Green));
    legend->addWidget(addLabel(calculationBox, "calc.legend.negative", QStringLiteral("Отрицательные"), Red));
    legend->addWidget(addLabel(calculationBox, "calc.legend.doubtful", QStringLiteral("Сомнительные"), Maroon));
    legend->addWidget(addLabel(calculationBox, "calc.legend.coefficients", QStringLiteral("Коэффициенты"), Qt::black));
    legend->addStretch();
    QGroupBox* summaryBox = createSummaryBox(calculationBox);

    // The buttons beside the legend leave the labels the whole width.
    m_calculateButton = addButton(calculationBox, "calc.calculate", QStringLiteral("Расчет"));
    auto* protocolButton = addButton(calculationBox, "calc.protocol", QStringLiteral("Протокол"));
    for (QPushButton* button : {m_calculateButton, protocolButton}) {
        button->setFixedWidth(72);
        legend->addWidget(button);
    }

    auto* lower = new QVBoxLayout(calculationBox);
    lower->setContentsMargins(6, 2, 6, 4);
    lower->setSpacing(3);
    lower->addWidget(m_resultGrid);
    lower->addLayout(legend);
    lower->addWidget(summaryBox);

    connect(m_calculateButton, &QPushButton::clicked, this, &CalculationWindow::calculate);
    connect(protocolButton, &QPushButton::clicked, this, &CalculationWindow::writeAndShowProtocol);
    return calculationBox;
}

// "Данные рассчета": five columns of two labels, s0 over s1, s2 over s3, s4
// over s5, ot1 over ot2, dC0 over dC1 (calc.summary.1 to calc.summary.10 in
// that order); each column as wide as its texts, so long values fit.
QGroupBox* CalculationWindow::createSummaryBox(QWidget* parent)
{
    auto* summaryBox = new QGroupBox(QStringLiteral("Данные рассчета"), parent);
    summaryBox->setObjectName(QStringLiteral("calc.summaryBox"));
    auto* summary = new QHBoxLayout(summaryBox);
    summary->setContentsMargins(6, 2, 6, 2);
    summary->setSpacing(14);
    for (int i = 0; i < LabelCount; i += 2) {
        auto* column = new QVBoxLayout;
        column->setSpacing(2);
        for (int j = i; j < i + 2; ++j) {
            m_labels[size_t(j)] = addLabel(summaryBox, QStringLiteral("calc.summary.%1").arg(j + 1), QString());
            column->addWidget(m_labels[size_t(j)]);
        }
        summary->addLayout(column);
    }
    summary->addStretch();
    return summaryBox;
}

void CalculationWindow::calculate()
{
    runCommand(this, [this] {
        const PlateResult result =
            m_session.calculate([this](const QString& text) { Dialogs::get().message(this, text); });
        if (result.error)
            throw Error(*result.error);
    });
}

void CalculationWindow::writeAndShowProtocol()
{
    runCommand(this, [this] {
        const QString path = QStringLiteral("result.txt");
        if (!m_archive) {
            writeProtocol(m_project, path);
            showProtocol(path);
            return;
        }
        // The protocol is the lab's record: it is written here and now,
        // whatever becomes of the archive. The run, as it stands at this
        // click, is archived on the writer's thread, and what became of it is
        // told when that ends: an archive failure after the protocol shows,
        // a protocol error together with the run's fate.
        ProtocolRun run = writeProtocolForArchive(m_project, m_session.lastRun(), path, QDateTime::currentDateTime());
        const bool written = !run.protocolError;
        const QPointer<CalculationWindow> self(this);
        ArchiveSession* session = m_archive;
        m_archive->write([run = std::move(run), queue = archiveQueuePath(), self,
                          session](const std::function<Archive&()>& archive) -> std::function<void()> {
            ProtocolOutcome outcome;
            std::optional<Error> error;
            try {
                outcome = archiveProtocolRun(run, archive, queue);
            } catch (const Error& e) {
                error = e;
            }
            return [outcome, error, self, session] {
                if (!self)
                    return;
                if (error) {
                    Dialogs::get().error(self, error->message());
                    return;
                }
                if (outcome.archived())
                    session->notifyArchived();
                else
                    Dialogs::get().error(self, outcome.archiveMessage);
            };
        });
        if (written)
            showProtocol(path);
    });
}

void CalculationWindow::showProtocol(const QString& path)
{
    if (!Dialogs::get().openTextFile(path)) {
        // No viewer started: the protocol shows here instead of nowhere.
        if (!m_protocolWindow)
            m_protocolWindow = new ProtocolWindow(this);
        m_protocolWindow->setLines(protocolTextLines(m_project));
        m_protocolWindow->show();
        m_protocolWindow->raise();
    }
}

void CalculationWindow::clearAllDensities()
{
    runEdit(m_edits, this, std::make_unique<DensitiesClearing>(m_project));
}

void CalculationWindow::pasteBlock(QPoint well, const QString& text)
{
    PasteResult result;
    if (!runEdit(m_edits, this, std::make_unique<DensityPaste>(m_project, well, text, &result)))
        return;
    const QString cut = pasteMessage(result);
    if (!cut.isEmpty())
        Dialogs::get().message(this, cut);
}

void CalculationWindow::clearWells(const QList<QPoint>& wells)
{
    runEdit(m_edits, this, std::make_unique<DensityCellsClearing>(m_project, wells));
}

void CalculationWindow::showLabels()
{
    for (int i = 0; i < LabelCount; ++i) {
        const SummaryLabel& state = m_project.label(Label(i));
        QLabel* label = m_labels[size_t(i)];
        label->setText(state.text);
        QPalette palette = label->parentWidget()->palette();
        if (state.color == LabelColor::Green)
            palette.setColor(QPalette::WindowText, Green);
        else if (state.color == LabelColor::Red)
            palette.setColor(QPalette::WindowText, Red);
        label->setPalette(palette);
        label->setVisible(state.visible);
    }
}

// "Ручной ввод": without it no typed character reaches the densities; the
// reader acquisition still writes them.
void CalculationWindow::manualEntryChanged()
{
    const bool typing = m_manualEntryBox->isChecked() && !m_project.plateLocked();
    m_densityGrid->setWritable(typing);
    m_densityGrid->setEditTriggers(typing ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                                                | QAbstractItemView::AnyKeyPressed
                                          : QAbstractItemView::NoEditTriggers);
}

// The reader fills the densities: an open cell editor is closed (the delegate
// no longer writes what it holds) and nothing changes the densities or the
// results until the reader is done.
void CalculationWindow::setPlateLocked(bool locked)
{
    if (locked)
        m_densityGrid->finishEditing();
    manualEntryChanged();
    m_manualEntryBox->setEnabled(!locked);
    m_calculateButton->setEnabled(!locked);
    m_clearButton->setEnabled(!locked);
}

} // namespace pleq
