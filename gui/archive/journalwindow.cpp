#include "gui/archive/journalwindow.h"

#include "archive/anchor.h"
#include "archive/archive.h"
#include "archive/archiveerror.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "gui/app/dialogs.h"
#include "archive/archivesession.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/runwindow.h"
#include "core/tasks/worker.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace pleq {

namespace {

// What one read of the journal brings: a page of the query's rows, with the
// chain's head and the executors when the whole window is read anew.
struct JournalPage {
    QString anchor;
    QStringList executors;
    std::vector<JournalRow> rows;
    bool more = false;
};

} // namespace

JournalWindow::JournalWindow(ArchiveSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
    , m_location(session.archive().location())
{
    setObjectName(QStringLiteral("journalWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Журнал планшетов — %1").arg(m_location.displayName()));

    // The journal reads on a connection of its own (see JournalReader), on its worker's thread.
    m_worker = new Worker(Worker::AtEnd::Abandon, this);
    m_qcFlagsWorker = new Worker(Worker::AtEnd::Abandon, this);
    m_reader = std::make_shared<JournalReader>(m_location);
    m_model = new JournalModel(this);
    connect(m_model, &JournalModel::fetchRequested, this, &JournalWindow::fetchMore);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(createFilters());
    layout->addWidget(createTable());
    layout->addLayout(createHead());
    showFirstRows();
    followSession();
    resize(1000, 600);
}

JournalWindow::~JournalWindow()
{
    m_table->setModel(nullptr);
    // The reader ends on its thread, after the reads given (the worker lets
    // them run on without the window).
    m_worker->post([reader = std::move(m_reader)]() mutable -> Worker::Tell {
        reader.reset();
        return {};
    });
}

bool JournalWindow::loading() const
{
    return m_worker->pending() > 0;
}

QHBoxLayout* JournalWindow::createFilters()
{
    auto* filters = new QHBoxLayout;
    createDateFilter(filters, "journal.fromOn", QStringLiteral("с"), "journal.from", QDate::currentDate().addMonths(-1),
                     m_fromOn, m_from);
    createDateFilter(filters, "journal.toOn", QStringLiteral("по"), "journal.to", QDate::currentDate(), m_toOn, m_to);

    m_kit = new QComboBox(this);
    m_kit->setObjectName(QStringLiteral("journal.kit"));
    m_kit->addItem(QStringLiteral("Все наборы"));
    for (int i = 0; i < KitCount; ++i)
        m_kit->addItem(kitEntry(Kit(i)).rowText(), i);
    connect(m_kit, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    filters->addWidget(new QLabel(QStringLiteral("Набор:"), this));
    filters->addWidget(m_kit);

    m_executor = new QComboBox(this);
    m_executor->setObjectName(QStringLiteral("journal.executor"));
    m_executor->setMinimumContentsLength(16);
    connect(m_executor, &QComboBox::currentIndexChanged, this, &JournalWindow::applyFilter);
    filters->addWidget(new QLabel(QStringLiteral("Исполнитель:"), this));
    filters->addWidget(m_executor);

    m_search = new QLineEdit(this);
    m_search->setObjectName(QStringLiteral("journal.search"));
    m_search->setPlaceholderText(QStringLiteral("Поиск в названиях проб"));
    m_search->setClearButtonEnabled(true);
    connect(m_search, &QLineEdit::textChanged, this, &JournalWindow::applyFilter);
    filters->addWidget(m_search, 1);

    auto* refreshButton = new QPushButton(QStringLiteral("Обновить"), this);
    refreshButton->setObjectName(QStringLiteral("journal.refresh"));
    connect(refreshButton, &QPushButton::clicked, this, &JournalWindow::refresh);
    auto* openButton = new QPushButton(QStringLiteral("Открыть"), this);
    openButton->setObjectName(QStringLiteral("journal.open"));
    connect(openButton, &QPushButton::clicked, this, &JournalWindow::openSelected);
    filters->addWidget(refreshButton);
    filters->addWidget(openButton);
    return filters;
}

void JournalWindow::createDateFilter(QHBoxLayout* filters, const char* boxName, const QString& text,
                                     const char* editName, QDate date, QCheckBox*& box, QDateEdit*& edit)
{
    edit = new QDateEdit(date, this);
    edit->setObjectName(QLatin1String(editName));
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setEnabled(false);
    box = new QCheckBox(text, this);
    box->setObjectName(QLatin1String(boxName));
    connect(box, &QCheckBox::toggled, edit, &QWidget::setEnabled);
    connect(box, &QCheckBox::toggled, this, &JournalWindow::applyFilter);
    connect(edit, &QDateEdit::dateChanged, this, [this, box] {
        if (box->isChecked())
            applyFilter();
    });
    filters->addWidget(box);
    filters->addWidget(edit);
}

QTableView* JournalWindow::createTable()
{
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("journal.table"));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->setModel(m_model);
    m_table->installEventFilter(this);
    connect(m_table, &QTableView::doubleClicked, this, &JournalWindow::openSelected);
    return m_table;
}

QHBoxLayout* JournalWindow::createHead()
{
    m_head = new QLabel(this);
    m_head->setObjectName(QStringLiteral("journal.head"));
    m_head->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* save = new QPushButton(QStringLiteral("Сохранить якорь ..."), this);
    save->setObjectName(QStringLiteral("journal.saveAnchor"));
    connect(save, &QPushButton::clicked, this, &JournalWindow::saveAnchor);
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("journal.status"));
    auto* row = new QHBoxLayout;
    row->addWidget(m_status);
    row->addWidget(m_head, 1);
    row->addWidget(save);
    return row;
}

void JournalWindow::showHead(const QString& anchor)
{
    m_anchor = anchor;
    m_head->setText(m_anchor.isEmpty()
                        ? QStringLiteral("Архив пуст.")
                        : QStringLiteral("Голова цепочки (якорь: храните его вне архива): %1").arg(m_anchor));
}

void JournalWindow::saveAnchor()
{
    if (m_anchor.isEmpty())
        return;
    const QString file = Dialogs::get().saveFileName(this, QStringLiteral("Якоря архива (*.txt)"));
    if (file.isEmpty())
        return;
    runCommand(this, [&] {
        // The head once the chain verifies, as `pleq-cli archive anchor` gives it: a broken chain gets no anchor.
        const QString line = headAnchor(m_session.openArchive());
        appendAnchor(file, line);
        Dialogs::get().message(this,
                               QStringLiteral("Якорь добавлен в %1: %2").arg(QDir::toNativeSeparators(file), line));
    });
}

void JournalWindow::showFirstRows()
{
    // The first query: newest first; the header shows it, and a click sorts anew.
    m_table->setSortingEnabled(false);
    m_table->horizontalHeader()->setSortIndicator(int(JournalColumn::Time), Qt::DescendingOrder);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    connect(m_table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, this, &JournalWindow::sortBy);
    load(currentFilter(), true);
}

void JournalWindow::followSession()
{
    // The window's archive goes away when the place changes.
    connect(&m_session, &ArchiveSession::aboutToRelocate, this, [this] { delete this; });
    connect(&m_session, &ArchiveSession::runArchived, this, &JournalWindow::refresh);
}

void JournalWindow::load(const JournalFilter& filter, bool whole)
{
    const int query = ++m_query;
    m_filter = filter;
    m_worker->run(
        this,
        [reader = m_reader, filter, whole] {
            JournalPage page;
            reader->restart();
            if (whole) {
                page.anchor = reader->headAnchor();
                page.executors = reader->executors();
            }
            reader->select(filter);
            page.rows = reader->read(JournalModel::FetchBatch);
            page.more = reader->more();
            return page;
        },
        [this, query, whole](JournalPage page) {
            if (whole) {
                showHead(page.anchor);
                fillExecutors(page.executors);
            }
            if (query == m_query) {
                m_model->setRows(std::move(page.rows), page.more);
                if (!m_shown) {
                    m_table->resizeColumnsToContents();
                    if (m_model->rowCount() > 0)
                        m_table->selectRow(0);
                }
            }
            m_shown = true;
            showLoading();
            Q_EMIT loaded();
        },
        [this](const QString& message) { readFailed(message); });
    showLoading();
}

void JournalWindow::fetchMore()
{
    const int query = m_query;
    m_worker->run(
        this,
        [reader = m_reader] {
            JournalPage page;
            page.rows = reader->read(JournalModel::FetchBatch);
            page.more = reader->more();
            return page;
        },
        [this, query](JournalPage page) {
            if (query == m_query) // else the rows of a query no longer shown
                m_model->appendRows(std::move(page.rows), page.more);
            showLoading();
            Q_EMIT loaded();
        },
        [this](const QString& message) { readFailed(message); });
    showLoading();
}

void JournalWindow::sortBy(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= JournalModel::QcColumn)
        return; // the flags are no database column
    JournalFilter filter = m_filter;
    filter.sortColumn = JournalColumn(column);
    filter.descending = order == Qt::DescendingOrder;
    load(filter, false);
}

void JournalWindow::showLoading()
{
    m_status->setText(loading() ? QStringLiteral("Загрузка ...") : QString());
}

void JournalWindow::readFailed(const QString& message)
{
    m_model->setFetching(false);
    showLoading();
    const QPointer<JournalWindow> self(this);
    Dialogs::get().error(this, message);
    if (!self)
        return; // closed while the box was shown
    if (!m_shown)
        close(); // the archive could not be read at all: no window, as before its first rows
    Q_EMIT loaded();
}

JournalFilter JournalWindow::currentFilter() const
{
    JournalFilter filter = m_filter;
    filter.from = m_fromOn->isChecked() ? m_from->date().startOfDay() : QDateTime();
    filter.to = m_toOn->isChecked() ? m_to->date().addDays(1).startOfDay() : QDateTime();
    filter.kit = m_kit->currentIndex() > 0 ? std::optional<Kit>(Kit(m_kit->currentData().toInt())) : std::nullopt;
    filter.executor = m_executor->currentIndex() > 0 ? m_executor->currentText() : QString();
    filter.sampleSearch = m_search->text();
    return filter;
}

void JournalWindow::fillExecutors(const QStringList& names)
{
    const QString chosen = m_executor->currentIndex() > 0 ? m_executor->currentText() : QString();
    const QSignalBlocker block(m_executor);
    m_executor->clear();
    m_executor->addItem(QStringLiteral("Все исполнители"));
    m_executor->addItems(names);
    m_executor->setCurrentIndex(chosen.isEmpty() ? 0 : qMax(0, m_executor->findText(chosen)));
}

void JournalWindow::applyFilter()
{
    if (!m_status)
        return; // the widgets are still being made
    load(currentFilter(), false);
}

void JournalWindow::refresh()
{
    load(currentFilter(), true);
}

void JournalWindow::openSelected()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return;
    const qint64 seq = m_model->seq(current.row());
    m_worker->run(
        this,
        [location = m_location, seq] {
            // A connection of the read's own, made and closed on the worker's thread.
            Archive archive(location);
            archive.limitReads();
            std::optional<StoredRun> run = archive.run(seq);
            if (!run)
                throw ArchiveError(location.displayName(), QString::number(seq), ArchiveError::Form::MissingRun);
            return std::move(*run);
        },
        [this](StoredRun run) {
            showLoading();
            auto* window = new RunWindow(std::move(run), this);
            window->show();
            window->raise();
            Q_EMIT loaded();
        },
        [this](const QString& message) { readFailed(message); });
    showLoading();
}

void JournalWindow::setQcFlags(std::map<qint64, QStringList> flags)
{
    m_model->setQcFlags(std::move(flags));
}

bool JournalWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            openSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace pleq
