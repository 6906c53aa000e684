#include "gui/qc/qcwindow.h"

#include "archive/qcseries.h"

#include "archive/archive.h"
#include "core/files/fileio.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "core/model/numberformat.h"
#include "gui/app/dialogs.h"
#include "gui/archive/archivesession.h"
#include "gui/archive/journalwindow.h"
#include "gui/qc/controlchart.h"

#include <QAction>
#include <QBuffer>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QPromise>
#include <QThreadPool>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSpinBox>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <memory>

namespace pleq {

namespace {

constexpr int PngWidth = 900;
constexpr int PngChartHeight = 260;

QDateEdit* dateEdit(const char* name, QWidget* parent)
{
    auto* edit = new QDateEdit(QDate::currentDate(), parent);
    edit->setObjectName(QLatin1String(name));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return edit;
}

} // namespace

QcWindow::QcWindow(ArchiveSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
{
    session.openArchive();
    setObjectName(QStringLiteral("qcWindow"));
    setWindowTitle(QStringLiteral("Контроль качества"));
    setAttribute(Qt::WA_DeleteOnClose);

    QLayout* settings = createSettingsRow();
    createMessages();
    QSplitter* chartsAndList = createChartsAndList();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(settings);
    layout->addWidget(m_messages);
    layout->addWidget(chartsAndList, 1);
    resize(1000, 760);

    connectSettings();
    refresh();
}

// The kit, the baseline, the points shown and the two buttons, side by side.
QLayout* QcWindow::createSettingsRow()
{
    m_kit = new QComboBox(this);
    m_kit->setObjectName(QStringLiteral("qc.kit"));
    m_kit->addItems(kitRows());
    QGroupBox* baselineBox = createBaselineBox();
    QGroupBox* rangeBox = createRangeBox();
    QLayout* buttons = createButtons();

    auto* top = new QHBoxLayout;
    auto* kitLayout = new QVBoxLayout;
    kitLayout->addWidget(new QLabel(QStringLiteral("Набор"), this));
    kitLayout->addWidget(m_kit);
    kitLayout->addStretch();
    top->addLayout(kitLayout);
    top->addWidget(baselineBox);
    top->addWidget(rangeBox);
    top->addStretch();
    top->addLayout(buttons);
    return top;
}

// The baseline: the first N runs of the kit, or a period (a new kit lot).
QGroupBox* QcWindow::createBaselineBox()
{
    auto* baselineBox = new QGroupBox(QStringLiteral("Базовый период"), this);
    auto* firstRuns = new QRadioButton(QStringLiteral("Первые планшеты набора:"), baselineBox);
    firstRuns->setObjectName(QStringLiteral("qc.baselineFirstRuns"));
    firstRuns->setChecked(true);
    auto* period = new QRadioButton(QStringLiteral("Период с"), baselineBox);
    period->setObjectName(QStringLiteral("qc.baselinePeriod"));
    m_baselineKind = new QButtonGroup(this);
    m_baselineKind->addButton(firstRuns, 0);
    m_baselineKind->addButton(period, 1);
    m_baselineRuns = new QSpinBox(baselineBox);
    m_baselineRuns->setObjectName(QStringLiteral("qc.baselineRuns"));
    m_baselineRuns->setRange(2, 100000);
    m_baselineRuns->setValue(20);
    m_baselineFrom = dateEdit("qc.baselineFrom", baselineBox);
    m_baselineFrom->setDate(QDate::currentDate().addMonths(-1));
    m_baselineTo = dateEdit("qc.baselineTo", baselineBox);
    auto* baselineLayout = new QGridLayout(baselineBox);
    baselineLayout->addWidget(firstRuns, 0, 0);
    baselineLayout->addWidget(m_baselineRuns, 0, 1);
    baselineLayout->addWidget(period, 1, 0);
    baselineLayout->addWidget(m_baselineFrom, 1, 1);
    baselineLayout->addWidget(new QLabel(QStringLiteral("по"), baselineBox), 1, 2);
    baselineLayout->addWidget(m_baselineTo, 1, 3);
    return baselineBox;
}

// The points shown: all, or those of a period.
QGroupBox* QcWindow::createRangeBox()
{
    auto* rangeBox = new QGroupBox(QStringLiteral("Точки на графиках"), this);
    m_range = new QCheckBox(QStringLiteral("Только с"), rangeBox);
    m_range->setObjectName(QStringLiteral("qc.range"));
    m_from = dateEdit("qc.from", rangeBox);
    m_from->setDate(QDate::currentDate().addMonths(-3));
    m_to = dateEdit("qc.to", rangeBox);
    auto* rangeLayout = new QHBoxLayout(rangeBox);
    rangeLayout->addWidget(m_range);
    rangeLayout->addWidget(m_from);
    rangeLayout->addWidget(new QLabel(QStringLiteral("по"), rangeBox));
    rangeLayout->addWidget(m_to);
    return rangeBox;
}

// "Сохранить PNG ..." and "Печать ...", one above the other.
QLayout* QcWindow::createButtons()
{
    auto* savePng = new QPushButton(QStringLiteral("Сохранить PNG ..."), this);
    savePng->setObjectName(QStringLiteral("qc.savePng"));
    connect(savePng, &QPushButton::clicked, this, [this] { runCommand(this, [this] { saveQcPng(this, m_result); }); });
    auto* print = new QPushButton(QStringLiteral("Печать ..."), this);
    print->setObjectName(QStringLiteral("qc.print"));
    connect(print, &QPushButton::clicked, this, [this] { runCommand(this, [this] { printQc(this, m_result); }); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(savePng);
    buttons->addWidget(print);
    buttons->addStretch();
    return buttons;
}

// Why a chart has no limits, above the charts.
void QcWindow::createMessages()
{
    m_messages = new QLabel(this);
    m_messages->setObjectName(QStringLiteral("qc.messages"));
    m_messages->setWordWrap(true);
    m_messages->setStyleSheet(QStringLiteral("color: darkred"));
}

// The charts, scrolled, over the list of flagged points.
QSplitter* QcWindow::createChartsAndList()
{
    auto* charts = new QWidget;
    m_charts = new QVBoxLayout(charts);
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("qc.charts"));
    scroll->setWidgetResizable(true);
    scroll->setWidget(charts);

    m_flagged = new QTreeWidget(this);
    m_flagged->setObjectName(QStringLiteral("qc.flagged"));
    m_flagged->setRootIsDecorated(false);
    m_flagged->setHeaderLabels({QStringLiteral("№"), QStringLiteral("Дата"), QStringLiteral("Контроль"),
                                QStringLiteral("Среднее"), QStringLiteral("z"), QStringLiteral("Правила")});

    // The charts are what the window is for: three quarters of the height
    // from the start (the list's size hint alone would take the larger part
    // of a laptop's 768 rows), and most of any height added later.
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(scroll);
    splitter->addWidget(m_flagged);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({3000, 1000});
    return splitter;
}

// A change of the kit or of a run archived reads the points again; a change
// of the baseline or the range recalculates from them.
void QcWindow::connectSettings()
{
    const auto changed = [this] { refresh(); };
    connect(m_kit, &QComboBox::currentIndexChanged, this, [this] {
        m_pointsRead = false;
        refresh();
    });
    connect(m_baselineKind, &QButtonGroup::idClicked, this, changed);
    connect(m_baselineRuns, &QSpinBox::valueChanged, this, changed);
    for (QDateEdit* edit : {m_baselineFrom, m_baselineTo, m_from, m_to})
        connect(edit, &QDateEdit::dateChanged, this, changed);
    connect(m_range, &QCheckBox::toggled, this, changed);
    connect(&m_session, &ArchiveSession::runArchived, this, [this] {
        m_pointsRead = false;
        refresh();
    });
    // The window's archive goes away when the place changes.
    connect(&m_session, &ArchiveSession::aboutToRelocate, this, [this] { delete this; });
}

QcWindow::~QcWindow() = default;

qc::Baseline QcWindow::chosenBaseline() const
{
    if (m_baselineKind->checkedId() == 0)
        return qc::Baseline::firstRuns(m_baselineRuns->value());
    return qc::Baseline::timeRange(m_baselineFrom->date().startOfDay(), m_baselineTo->date().endOfDay());
}

void QcWindow::refresh()
{
    runCommand(this, [this] {
        const Kit kit = static_cast<Kit>(std::max(0, m_kit->currentIndex()));
        const bool range = m_range->isChecked();
        if (!m_pointsRead) {
            m_points = controlPoints(m_session.openArchive(), kit);
            m_pointsRead = true;
        }
        m_result = qc::analyse(kit, m_points, chosenBaseline(), range ? m_from->date().startOfDay() : QDateTime(),
                               range ? m_to->date().endOfDay() : QDateTime());
    });

    while (QLayoutItem* item = m_charts->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    for (const qc::ControlChart& chart : m_result.charts) {
        auto* view = new ControlChartView;
        view->setChart(chart, m_result.baseline);
        m_charts->addWidget(view);
    }
    m_messages->setText(m_result.messages().join(QLatin1Char('\n')));
    m_messages->setVisible(!m_messages->text().isEmpty());

    // The flagged points by run, within a run in the kit's order of controls.
    struct Flagged {
        const qc::ChartPoint* point;
        const QString* control;
        std::size_t order;
    };
    std::vector<Flagged> flagged;
    for (std::size_t c = 0; c < m_result.charts.size(); ++c)
        for (const qc::ChartPoint& point : m_result.charts[c].points)
            if (!point.rules.empty())
                flagged.push_back({&point, &m_result.charts[c].control, c});
    std::stable_sort(flagged.begin(), flagged.end(), [](const Flagged& a, const Flagged& b) {
        return a.point->seq != b.point->seq ? a.point->seq < b.point->seq : a.order < b.order;
    });
    m_flagged->clear();
    for (const Flagged& entry : flagged) {
        const qc::ChartPoint& point = *entry.point;
        auto* item = new QTreeWidgetItem(m_flagged);
        item->setText(0, QString::number(point.seq));
        item->setText(1, point.time.toString(QStringLiteral("dd.MM.yyyy HH:mm")));
        item->setText(2, *entry.control);
        item->setText(3, fixedText(point.mean, 4));
        item->setText(4, point.z ? fixedText(*point.z, 2) : QString());
        item->setText(5, qc::ruleNames(point.rules).join(QStringLiteral(", ")));
        const bool rejection = std::any_of(point.rules.begin(), point.rules.end(), qc::isRejection);
        item->setForeground(5, rejection ? chart::RejectionColor : chart::WarningColor.darker(130));
        item->setToolTip(5, pointText(*entry.control, point));
    }
    m_flagged->header()->resizeSections(QHeaderView::ResizeToContents);
}

QcWindow* openQcWindow(QWidget* parent, ArchiveSession& session)
{
    auto* window = new QcWindow(session, parent);
    window->show();
    return window;
}

QAction* addQcAction(QMenu* menu, QWidget* parent, ArchiveSession& session)
{
    QAction* action = menu->addAction(QStringLiteral("Контроль качества ..."));
    action->setObjectName(QStringLiteral("menu.archive.qc"));
    QObject::connect(action, &QAction::triggered, parent,
                     [parent, &session] { runCommand(parent, [parent, &session] { openQcWindow(parent, session); }); });
    return action;
}

void fillQcFlags(JournalWindow& journal, ArchiveSession& session)
{
    using Flags = std::map<qint64, QStringList>;
    ArchiveLocation location;
    try {
        location = session.archive().location();
    } catch (const Error&) {
        return; // no archive at the place set: the journal says so itself
    }
    const QString name = QStringLiteral("journal.qcFlags");
    for (QFutureWatcherBase* running : journal.findChildren<QFutureWatcherBase*>(name, Qt::FindDirectChildrenOnly))
        delete running;
    auto* watcher = new QFutureWatcher<Flags>(&journal);
    watcher->setObjectName(name);
    QObject::connect(watcher, &QFutureWatcherBase::finished, &journal, [watcher, &journal] {
        if (watcher->future().resultCount() > 0)
            journal.setQcFlags(watcher->future().result());
        watcher->deleteLater();
    });
    auto promise = std::make_shared<QPromise<Flags>>();
    watcher->setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, location] {
        try {
            Archive archive(location);
            promise->addResult(qcRunFlags(archive));
        } catch (const Error&) {
            // The journal reads the same archive and names its errors; the column stays empty.
        }
        promise->finish();
    });
}

void showQcFlags(JournalWindow& journal, ArchiveSession& session)
{
    fillQcFlags(journal, session);
    QObject::connect(&session, &ArchiveSession::runArchived, &journal, [&journal, &session] {
        if (journal.isVisible())
            fillQcFlags(journal, session);
    });
}

void saveQcPng(QWidget* parent, const qc::Result& result)
{
    QString name = Dialogs::get().saveFileName(parent, QStringLiteral("Рисунки PNG (*.png)"));
    if (name.isEmpty())
        return;
    if (QFileInfo(name).suffix().isEmpty())
        name += QStringLiteral(".png");
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!chart::render(result, PngWidth, PngChartHeight).save(&buffer, "PNG"))
        throw Error(QStringLiteral("Не удалось записать рисунок PNG %1").arg(name));
    files::writeFileAtomically(name, bytes);
}

void printQc(QWidget* parent, const qc::Result& result)
{
    Dialogs::get().print(parent, [&](QPagedPaintDevice& device) {
        QPainter painter(&device);
        const QRectF page(QPointF(0, 0), QSizeF(device.width(), device.height()));
        chart::paintPage(painter, page, result);
    });
}

} // namespace pleq
