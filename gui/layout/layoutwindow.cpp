#include "gui/layout/layoutwindow.h"

#include "gui/app/dialogs.h"
#include "gui/app/gridview.h"
#include "core/layout/fill.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"
#include "gui/commands/windowedits.h"
#include "gui/commands/gridcommands.h"
#include "gui/commands/settingcommands.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include <algorithm>

namespace pleq {

namespace {

// Whether a well of the map is the first well; a file's text off the boxes'
// lists names none.
bool isFirstWell(const FirstWell& well, const QModelIndex& index)
{
    return well.row.listed() && well.column.listed() && index.row() == well.row.number()
           && index.column() == well.column.number();
}

// The window's two grids. The current cell keeps to the wells: the header row
// and column cannot be chosen by mouse or keys. A right click opens the menu
// without moving the current cell, because "Удалить" acts on the row that
// holds the focus. The sample list's columns are widened or narrowed by
// dragging their borders in the header row.
class WellGrid : public GridView
{
public:
    WellGrid(TextGrid* grid, int columnWidth, int rowHeight, bool resizableColumns, QWidget* parent)
        : GridView(grid, columnWidth, rowHeight, parent)
        , m_resizable(resizableColumns)
    {
        if (m_resizable)
            viewport()->setMouseTracking(true);
    }

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        const QModelIndex next = GridView::moveCursor(action, modifiers);
        if (!next.isValid() || model()->rowCount() < 2)
            return next;
        return model()->index(std::max(next.row(), 1), std::max(next.column(), 1));
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        const QPoint pos = event->position().toPoint();
        if (event->button() == Qt::RightButton) {
            event->accept();
            return;
        }
        if (event->button() == Qt::LeftButton && borderAt(pos) >= 0) {
            m_resizing = borderAt(pos);
            return;
        }
        if (isFixedCell(indexAt(pos))) {
            setFocus(Qt::MouseFocusReason);
            return;
        }
        GridView::mousePressEvent(event);
    }

    void mouseMoveEvent(QMouseEvent* event) override
    {
        const QPoint pos = event->position().toPoint();
        if (m_resizing >= 0) {
            setColumnWidth(m_resizing, std::max(8, pos.x() - columnViewportPosition(m_resizing)));
            return;
        }
        if (m_resizable) {
            if (borderAt(pos) >= 0)
                viewport()->setCursor(Qt::SplitHCursor);
            else
                viewport()->unsetCursor();
        }
        GridView::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override
    {
        if (m_resizing >= 0) {
            m_resizing = -1;
            return;
        }
        GridView::mouseReleaseEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override
    {
        if (isFixedCell(indexAt(event->position().toPoint())))
            return;
        GridView::mouseDoubleClickEvent(event);
    }

private:
    static bool isFixedCell(const QModelIndex& index)
    {
        return index.isValid() && (index.row() == 0 || index.column() == 0);
    }

    // The column whose right border lies under pos in the header row, or -1.
    int borderAt(QPoint pos) const
    {
        if (!m_resizable || rowAt(pos.y()) != 0)
            return -1;
        for (int col = 0; col < model()->columnCount(); ++col) {
            const int edge = columnViewportPosition(col) + columnWidth(col);
            if (std::abs(pos.x() - edge) <= 3)
                return col;
        }
        return -1;
    }

    bool m_resizable;
    int m_resizing = -1;
};

// The plate map outlines the first well of the next fill.
class PlateDelegate : public GridDelegate
{
public:
    PlateDelegate(const Project& project, QObject* parent)
        : GridDelegate(parent)
        , m_project(project)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        GridDelegate::paint(painter, option, index);
        if (isFixed(index))
            return;
        if (!isFirstWell(m_project.firstWell(), index))
            return;
        painter->save();
        painter->setPen(QPen(option.palette.color(QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }

private:
    const Project& m_project;
};

// Shows a box's value. A value outside the list (only a project file can
// bring one) is shown as it is, with no item chosen.
void showBoxText(QComboBox* box, const QString& text)
{
    const QSignalBlocker blocker(box);
    const int index = box->findText(text, Qt::MatchExactly);
    if (index < 0)
        box->setPlaceholderText(text);
    box->setCurrentIndex(index);
}

template<typename T> T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

LayoutWindow::LayoutWindow(EditStack& edits, QWidget* parent)
    : QWidget(parent)
    , m_edits(edits)
    , m_project(edits.project())
{
    setObjectName(QStringLiteral("layoutWindow"));
    setWindowTitle(QStringLiteral("Роспись планшета"));
    createControls();

    // The sample list starts as the project holds it (Project::resetSampleTable).
    m_sampleGrid->setCurrentIndex(m_project.sampleTable().index(1, 1));

    showProject();
    connect(&m_project, &Project::settingsChanged, this, &LayoutWindow::showProject);
    connect(&m_project, &Project::kitChanged, this, &LayoutWindow::showProject);
    // A reset (a project opened) loses the current well; it is the first well again.
    connect(&m_project.plateLayout(), &QAbstractItemModel::modelReset, this, &LayoutWindow::showFirstWell);

    // The map the window opens with is no step of the undo stack.
    runCommand(this, [this] { fillPlate(m_project); });
}

void LayoutWindow::createControls()
{
    m_sampleBox = createSampleBox();
    m_plateBox = createPlateBox();
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_sampleBox);
    layout->addWidget(m_plateBox);
    fitToGrids();
    orderTabs();

    // The sample list, the map and the fill parameters rest while the reader
    // fills the plate: the densities go into the wells the read began with.
    connect(&m_project, &Project::plateLockChanged, this, [this](bool locked) {
        if (locked)
            m_sampleGrid->finishEditing();
        m_sampleBox->setDisabled(locked);
        m_plateBox->setDisabled(locked);
    });
    connectEdits();
}

// "Заполнение плашки": the sample list, its menu and the buttons "+" and "-".
QGroupBox* LayoutWindow::createSampleBox()
{
    auto* sampleBox = named(new QGroupBox(QStringLiteral("Заполнение плашки"), this), "layout.sampleBox");
    m_sampleGrid = named(new WellGrid(&m_project.sampleTable(), 30, 16, true, sampleBox), "layout.samples");
    m_sampleGrid->setColumnWidth(1, 117);
    m_sampleGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    m_sampleMenu = named(new QMenu(this), "layout.sampleMenu");
    m_addItem = m_sampleMenu->addAction(QStringLiteral("Добавить"));
    m_addItem->setObjectName(QStringLiteral("layout.sampleMenu.add"));
    m_removeItem = m_sampleMenu->addAction(QStringLiteral("Удалить"));
    m_removeItem->setObjectName(QStringLiteral("layout.sampleMenu.remove"));
    m_addButton = named(new QPushButton(QStringLiteral("+"), sampleBox), "layout.addSample");
    m_removeButton = named(new QPushButton(QStringLiteral("-"), sampleBox), "layout.removeSample");
    m_addButton->setFixedSize(25, 22);
    m_removeButton->setFixedSize(25, 22);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addButton);
    buttons->addWidget(m_removeButton);
    buttons->addStretch();
    auto* sampleBoxLayout = new QVBoxLayout(sampleBox);
    sampleBoxLayout->setContentsMargins(6, 4, 6, 6);
    sampleBoxLayout->addWidget(m_sampleGrid);
    sampleBoxLayout->addLayout(buttons);
    sampleBox->setFixedWidth(214);
    return sampleBox;
}

// "Планшет": the plate map, the fill parameters beside the orientation and
// the material, and "Заполнить".
QGroupBox* LayoutWindow::createPlateBox()
{
    auto* plateBox = named(new QGroupBox(QStringLiteral("Планшет"), this), "layout.plateBox");
    createPlateMap(plateBox);
    QLayout* fields = createFillFields(plateBox);
    QGroupBox* orientationBox = createOrientationBox(plateBox);
    m_materialBox = createMaterialBox(plateBox);
    m_fillButton = named(new QPushButton(QStringLiteral("Заполнить"), plateBox), "layout.fill");

    auto* groups = new QVBoxLayout;
    groups->addWidget(orientationBox);
    groups->addWidget(m_materialBox);
    groups->addStretch();
    auto* parameters = new QHBoxLayout;
    parameters->addLayout(fields, 1);
    parameters->addLayout(groups, 1);
    auto* plateBoxLayout = new QVBoxLayout(plateBox);
    plateBoxLayout->setContentsMargins(6, 4, 6, 6);
    plateBoxLayout->addWidget(m_plateMap, 0, Qt::AlignHCenter);
    plateBoxLayout->addLayout(parameters);
    plateBoxLayout->addStretch();
    plateBoxLayout->addWidget(m_fillButton);
    return plateBox;
}

void LayoutWindow::createPlateMap(QWidget* parent)
{
    m_plateMap = named(new WellGrid(&m_project.plateLayout(), 19, 17, false, parent), "layout.plate");
    QAbstractItemDelegate* plainDelegate = m_plateMap->itemDelegate();
    m_plateMap->setItemDelegate(new PlateDelegate(m_project, m_plateMap));
    delete plainDelegate;
    // The outline marks the first well; a selection colour would only hide it.
    m_plateMap->setSelectionMode(QAbstractItemView::NoSelection);
    m_plateMap->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette grey = m_plateMap->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Button));
    m_plateMap->setPalette(grey);
    QFont small = m_plateMap->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_plateMap->setFont(small);
    m_plateMap->fitToGrid();
}

// The plate name, the first well and the repetitions; the control count, which
// only a project file sets, has no control.
QLayout* LayoutWindow::createFillFields(QWidget* parent)
{
    auto* plateNameLabel = named(new QLabel(QStringLiteral("Наименование:"), parent), "layout.plateNameLabel");
    m_plateNameEdit = named(new QLineEdit(parent), "layout.plateName");
    plateNameLabel->setBuddy(m_plateNameEdit);
    auto* firstWellLabel = named(new QLabel(QStringLiteral("Первая лунка:"), parent), "layout.firstWellLabel");
    m_firstWellRow = named(new QComboBox(parent), "layout.firstWellRow");
    m_firstWellRow->addItems(FirstRow::items());
    m_firstWellColumn = named(new QComboBox(parent), "layout.firstWellColumn");
    m_firstWellColumn->addItems(FirstColumn::items());
    firstWellLabel->setBuddy(m_firstWellRow);
    auto* repetitionsLabel = named(new QLabel(QStringLiteral("Повторности"), parent), "layout.repetitionsLabel");
    m_repetitionsBox = named(new QComboBox(parent), "layout.repetitions");
    m_repetitionsBox->addItems(Repetitions::items());
    repetitionsLabel->setBuddy(m_repetitionsBox);
    // The boxes take values from their lists only: typed keys neither enter
    // text nor pick an item by its first letter, in the box or in its list.
    for (QComboBox* box : {m_firstWellRow, m_firstWellColumn, m_repetitionsBox}) {
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
    }

    auto* firstWell = new QHBoxLayout;
    firstWell->addWidget(m_firstWellRow);
    firstWell->addWidget(m_firstWellColumn);
    auto* fields = new QVBoxLayout;
    fields->setSpacing(2);
    fields->addWidget(plateNameLabel);
    fields->addWidget(m_plateNameEdit);
    fields->addWidget(firstWellLabel);
    fields->addLayout(firstWell);
    fields->addWidget(repetitionsLabel);
    fields->addWidget(m_repetitionsBox);
    fields->addStretch();
    return fields;
}

// "Ориентация": horizontal (where the kit offers it) or vertical.
QGroupBox* LayoutWindow::createOrientationBox(QWidget* parent)
{
    auto* orientationBox = named(new QGroupBox(QStringLiteral("Ориентация"), parent), "layout.orientation");
    m_horizontalButton = named(new QRadioButton(QStringLiteral("Горизонтальная"), orientationBox), "layout.horizontal");
    m_verticalButton = named(new QRadioButton(QStringLiteral("Вертикальная"), orientationBox), "layout.vertical");
    auto* orientationLayout = new QVBoxLayout(orientationBox);
    orientationLayout->setContentsMargins(6, 2, 6, 4);
    orientationLayout->addWidget(m_horizontalButton);
    orientationLayout->addWidget(m_verticalButton);
    return orientationBox;
}

// "Материал", for the kits that ask for it.
QGroupBox* LayoutWindow::createMaterialBox(QWidget* parent)
{
    auto* materialBox = named(new QGroupBox(QStringLiteral("Материал"), parent), "layout.material");
    m_milk = named(new QRadioButton(QStringLiteral("Молоко"), materialBox), "layout.milk");
    m_serum = named(new QRadioButton(QStringLiteral("Сыворотка"), materialBox), "layout.serum");
    auto* materialLayout = new QVBoxLayout(materialBox);
    materialLayout->setContentsMargins(6, 2, 6, 4);
    materialLayout->addWidget(m_milk);
    materialLayout->addWidget(m_serum);
    return materialBox;
}

// The list's columns fit their headers (names are free text: the user
// widens their column), the map's columns every text; the window and the
// list's frame grow with them.
void LayoutWindow::fitToGrids()
{
    auto fitWindow = [this] {
        m_sampleBox->setFixedWidth(std::max(214, m_sampleBox->minimumSizeHint().width()));
        fitWindowToGrids(this, QSize(509, 378));
    };
    connect(m_sampleGrid, &GridView::resizedToTexts, this, fitWindow);
    connect(m_plateMap, &GridView::resizedToTexts, this, fitWindow);
    m_sampleGrid->fitColumnsToTexts(QString(), 1);
    m_plateMap->fitColumnsToTexts();
    fitWindow();
}

void LayoutWindow::orderTabs()
{
    setTabOrder(m_sampleGrid, m_addButton);
    setTabOrder(m_addButton, m_removeButton);
    setTabOrder(m_removeButton, m_plateMap);
    setTabOrder(m_plateMap, m_plateNameEdit);
    setTabOrder(m_plateNameEdit, m_firstWellRow);
    setTabOrder(m_firstWellRow, m_firstWellColumn);
    setTabOrder(m_firstWellColumn, m_repetitionsBox);
    setTabOrder(m_repetitionsBox, m_horizontalButton);
    setTabOrder(m_horizontalButton, m_verticalButton);
    setTabOrder(m_verticalButton, m_milk);
    setTabOrder(m_milk, m_serum);
    setTabOrder(m_serum, m_fillButton);
}

// User edits go into the project as steps of the undo stack.
void LayoutWindow::connectEdits()
{
    connect(m_fillButton, &QPushButton::clicked, this, &LayoutWindow::fill);
    connect(m_addButton, &QPushButton::clicked, this, &LayoutWindow::appendSampleRow);
    connect(m_removeButton, &QPushButton::clicked, this, &LayoutWindow::removeSampleRow);
    connect(m_addItem, &QAction::triggered, this, &LayoutWindow::appendSampleRow);
    connect(m_removeItem, &QAction::triggered, this, &LayoutWindow::removeSampleRow);
    connect(m_sampleGrid, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { m_sampleMenu->popup(m_sampleGrid->viewport()->mapToGlobal(pos)); });
    connect(m_plateMap->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &LayoutWindow::chooseFirstWellOnMap);
    // A sample cell typed; while the reader fills the plate the lock closes
    // the editor and its text is not written.
    qobject_cast<GridDelegate*>(m_sampleGrid->itemDelegate())
        ->setCellCommit([this](int col, int row, const QString& text) {
            if (!m_project.plateLocked())
                runEdit(m_edits, this, std::make_unique<SampleCellEdit>(m_project, col, row, text));
        });
    leaveUndoKeysToStack(m_plateNameEdit);
    connect(m_plateNameEdit, &QLineEdit::textEdited, this,
            [this](const QString& name) { runEdit(m_edits, this, std::make_unique<PlateNameEdit>(m_project, name)); });
    // A box's item n is the setting's number n + 1.
    connect(m_firstWellRow, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            runEdit(
                m_edits, this,
                std::make_unique<FirstWellChoice>(m_project, FirstWell{FirstRow(index + 1), m_project.firstColumn()}));
    });
    connect(m_firstWellColumn, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            runEdit(
                m_edits, this,
                std::make_unique<FirstWellChoice>(m_project, FirstWell{m_project.firstRow(), FirstColumn(index + 1)}));
    });
    connect(m_repetitionsBox, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0)
            runEdit(m_edits, this, std::make_unique<RepetitionsChoice>(m_project, Repetitions(index + 1)));
    });
    connect(m_horizontalButton, &QRadioButton::toggled, this, [this] {
        runEdit(m_edits, this, std::make_unique<OrientationChoice>(m_project, m_horizontalButton->isChecked()));
    });
    connect(m_milk, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            runEdit(m_edits, this, std::make_unique<MaterialChoice>(m_project, Material::Milk));
    });
    connect(m_serum, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            runEdit(m_edits, this, std::make_unique<MaterialChoice>(m_project, Material::Serum));
    });
}

void LayoutWindow::showProject()
{
    if (m_plateNameEdit->text() != m_project.plateName())
        m_plateNameEdit->setText(m_project.plateName());
    showBoxText(m_firstWellRow, m_project.firstRow().text());
    showBoxText(m_firstWellColumn, m_project.firstColumn().text());
    showBoxText(m_repetitionsBox, m_project.repetitions().text());
    {
        const QSignalBlocker b1(m_horizontalButton);
        const QSignalBlocker b2(m_verticalButton);
        (m_project.horizontal() ? m_horizontalButton : m_verticalButton)->setChecked(true);
        m_horizontalButton->setHidden(!m_project.horizontalOffered());
    }
    {
        const QSignalBlocker b1(m_milk);
        const QSignalBlocker b2(m_serum);
        (m_project.material() == Material::Milk ? m_milk : m_serum)->setChecked(true);
        m_materialBox->setHidden(!m_project.materialOffered());
    }
    showFirstWell();
}

// Shows the first well of the next fill as the map's current, outlined well.
// Choosing it in the boxes never writes into the map.
void LayoutWindow::showFirstWell()
{
    const FirstWell& well = m_project.firstWell();
    if (well.row.listed() && well.column.listed()) {
        const QModelIndex index = m_plateMap->model()->index(well.row.number(), well.column.number());
        if (m_plateMap->currentIndex() != index)
            m_plateMap->setCurrentIndex(index);
    }
    m_plateMap->viewport()->update();
}

void LayoutWindow::chooseFirstWellOnMap(const QModelIndex& current)
{
    if (!current.isValid() || current.row() < 1 || current.column() < 1)
        return;
    // The map follows the project too (showFirstWell): that is no choice.
    if (!isFirstWell(m_project.firstWell(), current))
        runEdit(m_edits, this,
                std::make_unique<FirstWellChoice>(m_project,
                                                  FirstWell{FirstRow(current.row()), FirstColumn(current.column())}));
}

void LayoutWindow::fill()
{
    m_sampleGrid->finishEditing();
    runEdit(m_edits, this, std::make_unique<PlateFill>(m_project));
}

void LayoutWindow::appendSampleRow()
{
    m_sampleGrid->finishEditing();
    const int col = std::max(m_sampleGrid->currentIndex().column(), 1);
    int row = 0;
    if (runEdit(m_edits, this, std::make_unique<SampleRowAddition>(m_project, &row)))
        m_sampleGrid->setCurrentIndex(m_project.sampleTable().index(row, col));
}

void LayoutWindow::removeSampleRow()
{
    m_sampleGrid->finishEditing();
    // The grid's current row; with none (after a file was opened) the first.
    const int row = std::max(m_sampleGrid->currentIndex().row(), 1);
    runEdit(m_edits, this, std::make_unique<SampleRowDeletion>(m_project, row));
}

bool LayoutWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pleq
