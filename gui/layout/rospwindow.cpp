#include "gui/layout/rospwindow.h"

#include "gui/app/dialogs.h"
#include "gui/app/gridview.h"
#include "core/layout/fill.h"
#include "core/model/operations.h"
#include "core/model/project.h"
#include "core/model/textgrid.h"

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
        const TextGrid& plate = m_project.plateLayout();
        if (plate.cell(0, index.row()) != m_project.firstRow() || plate.cell(index.column(), 0) != m_project.firstColumn())
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

QStringList numbers(int from, int to, int width = 1)
{
    QStringList items;
    for (int n = from; n <= to; ++n)
        items.append(QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0')));
    return items;
}

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

template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

} // namespace

TRosp::TRosp(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TRosp"));
    setWindowTitle(QStringLiteral("Роспись планшета"));
    createControls();

    // The sample list starts as the project holds it (Project::resetSampleTable).
    m_plProb->setCurrentIndex(m_project.sampleTable().index(1, 1));

    showProject();
    connect(&m_project, &Project::settingsChanged, this, &TRosp::showProject);
    connect(&m_project, &Project::kitChanged, this, &TRosp::showProject);
    // A reset (a project opened) loses the current well; it is the first well again.
    connect(&m_project.plateLayout(), &QAbstractItemModel::modelReset, this, &TRosp::showFirstWell);

    Button1Click();
}

void TRosp::createControls()
{
    // --- the sample list ---
    auto* groupBox1 = named(new QGroupBox(QStringLiteral("Заполнение плашки"), this), "GroupBox1");
    m_plProb = named(new WellGrid(&m_project.sampleTable(), 30, 16, true, groupBox1), "PlProb");
    m_plProb->setColumnWidth(1, 117);
    m_plProb->setContextMenuPolicy(Qt::CustomContextMenu);
    m_popupMenu1 = named(new QMenu(this), "PopupMenu1");
    QAction* n1 = m_popupMenu1->addAction(QStringLiteral("Добавить"));
    n1->setObjectName(QStringLiteral("N1"));
    QAction* n2 = m_popupMenu1->addAction(QStringLiteral("Удалить"));
    n2->setObjectName(QStringLiteral("N2"));
    auto* button3 = named(new QPushButton(QStringLiteral("+"), groupBox1), "Button3");
    auto* button2 = named(new QPushButton(QStringLiteral("-"), groupBox1), "Button2");
    button3->setFixedSize(25, 22);
    button2->setFixedSize(25, 22);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(button3);
    buttons->addWidget(button2);
    buttons->addStretch();
    auto* box1Layout = new QVBoxLayout(groupBox1);
    box1Layout->setContentsMargins(6, 4, 6, 6);
    box1Layout->addWidget(m_plProb);
    box1Layout->addLayout(buttons);
    groupBox1->setFixedWidth(214);

    // --- the plate and the fill parameters ---
    auto* groupBox2 = named(new QGroupBox(QStringLiteral("Планшет"), this), "GroupBox2");
    m_plData = named(new WellGrid(&m_project.plateLayout(), 19, 17, false, groupBox2), "PlData");
    QAbstractItemDelegate* plainDelegate = m_plData->itemDelegate();
    m_plData->setItemDelegate(new PlateDelegate(m_project, m_plData));
    delete plainDelegate;
    // The outline marks the first well; a selection colour would only hide it.
    m_plData->setSelectionMode(QAbstractItemView::NoSelection);
    m_plData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    QPalette grey = m_plData->palette();
    grey.setColor(QPalette::Base, grey.color(QPalette::Button));
    m_plData->setPalette(grey);
    QFont small = m_plData->font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    m_plData->setFont(small);
    m_plData->fitToGrid();

    auto* label1 = named(new QLabel(QStringLiteral("Наименование:"), groupBox2), "Label1");
    m_edit1 = named(new QLineEdit(groupBox2), "Edit1");
    label1->setBuddy(m_edit1);
    auto* label2 = named(new QLabel(QStringLiteral("Первая лунка:"), groupBox2), "Label2");
    m_lunkaX = named(new QComboBox(groupBox2), "LunkaX");
    m_lunkaX->addItems({"A", "B", "C", "D", "E", "F", "G", "H"});
    m_lunkaY = named(new QComboBox(groupBox2), "LunkaY");
    m_lunkaY->addItems(numbers(1, 12));
    label2->setBuddy(m_lunkaX);
    auto* label4 = named(new QLabel(QStringLiteral("Повторности"), groupBox2), "Label4");
    m_comboBox4 = named(new QComboBox(groupBox2), "ComboBox4");
    m_comboBox4->addItems(numbers(1, 3, 2));
    label4->setBuddy(m_comboBox4);
    // The control count is one per group on the screen; only a project file sets another.
    auto* label3 = named(new QLabel(QStringLiteral("Контроли"), groupBox2), "Label3");
    m_comboBox3 = named(new QComboBox(groupBox2), "ComboBox3");
    m_comboBox3->addItems(numbers(1, 12));
    label3->hide();
    m_comboBox3->hide();
    // The boxes take values from their lists only: typed keys neither enter
    // text nor pick an item by its first letter, in the box or in its list.
    for (QComboBox* box : {m_lunkaX, m_lunkaY, m_comboBox3, m_comboBox4}) {
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
    }

    auto* radioGroup1 = named(new QGroupBox(QStringLiteral("Ориентация"), groupBox2), "RadioGroup1");
    m_radioButton1 = named(new QRadioButton(QStringLiteral("Горизонтальная"), radioGroup1), "RadioButton1");
    m_radioButton2 = named(new QRadioButton(QStringLiteral("Вертикальная"), radioGroup1), "RadioButton2");
    auto* orientationLayout = new QVBoxLayout(radioGroup1);
    orientationLayout->setContentsMargins(6, 2, 6, 4);
    orientationLayout->addWidget(m_radioButton1);
    orientationLayout->addWidget(m_radioButton2);

    m_rg = named(new QGroupBox(QStringLiteral("Материал"), groupBox2), "RG");
    m_milk = named(new QRadioButton(QStringLiteral("Молоко"), m_rg), "RGItem0");
    m_serum = named(new QRadioButton(QStringLiteral("Сыворотка"), m_rg), "RGItem1");
    auto* materialLayout = new QVBoxLayout(m_rg);
    materialLayout->setContentsMargins(6, 2, 6, 4);
    materialLayout->addWidget(m_milk);
    materialLayout->addWidget(m_serum);

    auto* button1 = named(new QPushButton(QStringLiteral("Заполнить"), groupBox2), "Button1");

    auto* firstWell = new QHBoxLayout;
    firstWell->addWidget(m_lunkaX);
    firstWell->addWidget(m_lunkaY);
    auto* fields = new QVBoxLayout;
    fields->setSpacing(2);
    fields->addWidget(label1);
    fields->addWidget(m_edit1);
    fields->addWidget(label2);
    fields->addLayout(firstWell);
    fields->addWidget(label4);
    fields->addWidget(m_comboBox4);
    fields->addWidget(label3);
    fields->addWidget(m_comboBox3);
    fields->addStretch();
    auto* groups = new QVBoxLayout;
    groups->addWidget(radioGroup1);
    groups->addWidget(m_rg);
    groups->addStretch();
    auto* parameters = new QHBoxLayout;
    parameters->addLayout(fields, 1);
    parameters->addLayout(groups, 1);
    auto* box2Layout = new QVBoxLayout(groupBox2);
    box2Layout->setContentsMargins(6, 4, 6, 6);
    box2Layout->addWidget(m_plData, 0, Qt::AlignHCenter);
    box2Layout->addLayout(parameters);
    box2Layout->addStretch();
    box2Layout->addWidget(button1);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(groupBox1);
    layout->addWidget(groupBox2);
    // The list's columns fit their headers (names are free text: the user
    // widens their column), the map's columns every text; the window and the
    // list's frame grow with them.
    auto fitWindow = [this, groupBox1] {
        groupBox1->setFixedWidth(std::max(214, groupBox1->minimumSizeHint().width()));
        fitWindowToGrids(this, QSize(509, 378));
    };
    connect(m_plProb, &GridView::resizedToTexts, this, fitWindow);
    connect(m_plData, &GridView::resizedToTexts, this, fitWindow);
    m_plProb->fitColumnsToTexts(QString(), 1);
    m_plData->fitColumnsToTexts();
    fitWindow();

    setTabOrder(m_plProb, button3);
    setTabOrder(button3, button2);
    setTabOrder(button2, m_plData);
    setTabOrder(m_plData, m_edit1);
    setTabOrder(m_edit1, m_lunkaX);
    setTabOrder(m_lunkaX, m_lunkaY);
    setTabOrder(m_lunkaY, m_comboBox4);
    setTabOrder(m_comboBox4, m_radioButton1);
    setTabOrder(m_radioButton1, m_radioButton2);
    setTabOrder(m_radioButton2, m_milk);
    setTabOrder(m_milk, m_serum);
    setTabOrder(m_serum, button1);

    // The sample list, the map and the fill parameters rest while the reader
    // fills the plate: the densities go into the wells the read began with.
    connect(&m_project, &Project::plateLockChanged, this, [this, groupBox1, groupBox2](bool locked) {
        if (locked)
            m_plProb->finishEditing();
        groupBox1->setDisabled(locked);
        groupBox2->setDisabled(locked);
    });

    // User edits go straight into the project.
    connect(button1, &QPushButton::clicked, this, &TRosp::Button1Click);
    connect(button3, &QPushButton::clicked, this, &TRosp::N1Click);
    connect(button2, &QPushButton::clicked, this, &TRosp::N2Click);
    connect(n1, &QAction::triggered, this, &TRosp::N1Click);
    connect(n2, &QAction::triggered, this, &TRosp::N2Click);
    connect(m_plProb, &QWidget::customContextMenuRequested, this,
            [this](QPoint pos) { m_popupMenu1->popup(m_plProb->viewport()->mapToGlobal(pos)); });
    connect(m_plData->selectionModel(), &QItemSelectionModel::currentChanged, this, &TRosp::PlDataSelectCell);
    connect(m_edit1, &QLineEdit::textEdited, &m_project, &Project::setPlateName);
    connect(m_lunkaX, &QComboBox::currentIndexChanged, this,
            [this] { m_project.setFirstWell(m_lunkaX->currentText(), m_project.firstColumn()); });
    connect(m_lunkaY, &QComboBox::currentIndexChanged, this,
            [this] { m_project.setFirstWell(m_project.firstRow(), m_lunkaY->currentText()); });
    connect(m_comboBox3, &QComboBox::currentIndexChanged, this,
            [this] { m_project.setControlCount(m_comboBox3->currentText()); });
    connect(m_comboBox4, &QComboBox::currentIndexChanged, this,
            [this] { m_project.setRepetitions(m_comboBox4->currentText()); });
    connect(m_radioButton1, &QRadioButton::toggled, this,
            [this] { m_project.setHorizontal(m_radioButton1->isChecked()); });
    connect(m_milk, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_project.setMaterial(0);
    });
    connect(m_serum, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            m_project.setMaterial(1);
    });
}

void TRosp::showProject()
{
    if (m_edit1->text() != m_project.plateName())
        m_edit1->setText(m_project.plateName());
    showBoxText(m_lunkaX, m_project.firstRow());
    showBoxText(m_lunkaY, m_project.firstColumn());
    showBoxText(m_comboBox3, m_project.controlCount());
    showBoxText(m_comboBox4, m_project.repetitions());
    {
        const QSignalBlocker b1(m_radioButton1);
        const QSignalBlocker b2(m_radioButton2);
        (m_project.horizontal() ? m_radioButton1 : m_radioButton2)->setChecked(true);
        m_radioButton1->setHidden(!m_project.horizontalOffered());
    }
    {
        const QSignalBlocker b1(m_milk);
        const QSignalBlocker b2(m_serum);
        (m_project.material() == 0 ? m_milk : m_serum)->setChecked(true);
        m_rg->setHidden(!m_project.materialOffered());
    }
    showFirstWell();
}

// Shows the first well of the next fill as the map's current, outlined well.
// Choosing it in the boxes never writes into the map.
void TRosp::showFirstWell()
{
    const TextGrid& plate = m_project.plateLayout();
    for (int row = 1; row < plate.rows(); ++row) {
        for (int col = 1; col < plate.columns(); ++col) {
            if (plate.cell(0, row) == m_project.firstRow() && plate.cell(col, 0) == m_project.firstColumn()) {
                if (m_plData->currentIndex() != plate.index(row, col))
                    m_plData->setCurrentIndex(plate.index(row, col));
            }
        }
    }
    m_plData->viewport()->update();
}

void TRosp::PlDataSelectCell(const QModelIndex& current)
{
    if (!current.isValid() || current.row() < 1 || current.column() < 1)
        return;
    const TextGrid& plate = m_project.plateLayout();
    m_project.setFirstWell(plate.cell(0, current.row()), plate.cell(current.column(), 0));
}

void TRosp::Button1Click()
{
    static_cast<WellGrid*>(m_plProb)->finishEditing();
    runCommand(this, [this] { fillPlate(m_project); });
}

void TRosp::N1Click()
{
    static_cast<WellGrid*>(m_plProb)->finishEditing();
    const int col = std::max(m_plProb->currentIndex().column(), 1);
    runCommand(this, [&] {
        const int n = addSampleRow(m_project);
        m_plProb->setCurrentIndex(m_project.sampleTable().index(n, col));
    });
}

void TRosp::N2Click()
{
    static_cast<WellGrid*>(m_plProb)->finishEditing();
    // The grid's current row; with none (after a file was opened) the first.
    const int row = std::max(m_plProb->currentIndex().row(), 1);
    runCommand(this, [&] { deleteSampleRow(m_project, row); });
}

bool TRosp::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!key->text().isEmpty() && key->text().at(0).isPrint())
            return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pleq
