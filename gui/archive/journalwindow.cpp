#include "gui/archive/journalwindow.h"

#include "archive/anchor.h"
#include "archive/archive.h"
#include "archive/archiveerror.h"
#include "core/kits/catalogue.h"
#include "core/model/errors.h"
#include "gui/app/dialogs.h"
#include "gui/archive/archivesession.h"
#include "gui/archive/journalmodel.h"
#include "gui/archive/runwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace pleq {

JournalWindow::JournalWindow(ArchiveSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_session(session)
{
    setObjectName(QStringLiteral("journalWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    const Archive& archive = session.openArchive();
    setWindowTitle(QStringLiteral("Журнал планшетов — %1").arg(archive.location().displayName()));

    // The journal reads on a connection of its own (see JournalReader).
    m_model = std::make_unique<JournalModel>(archive.location());
    connect(m_model.get(), &JournalModel::failed, this,
            [this](const QString& message) { Dialogs::get().error(this, message); });

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
    m_model.reset();
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
    m_table->setModel(m_model.get());
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
    auto* row = new QHBoxLayout;
    row->addWidget(m_head, 1);
    row->addWidget(save);
    return row;
}

void JournalWindow::showHead()
{
    m_anchor = m_model->headAnchor();
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
        appendAnchor(file, m_anchor);
        Dialogs::get().message(this,
                               QStringLiteral("Якорь добавлен в %1: %2").arg(QDir::toNativeSeparators(file), m_anchor));
    });
}

void JournalWindow::showFirstRows()
{
    showHead();
    fillExecutors();
    // The first query: newest first; the header shows it, and a click sorts anew.
    m_model->setFilter(currentFilter());
    m_table->setSortingEnabled(false);
    m_table->horizontalHeader()->setSortIndicator(int(JournalColumn::Time), Qt::DescendingOrder);
    m_table->horizontalHeader()->setSortIndicatorShown(true);
    connect(m_table->horizontalHeader(), &QHeaderView::sortIndicatorChanged, m_model.get(), &JournalModel::sort);
    m_table->resizeColumnsToContents();
    if (m_model->rowCount() > 0)
        m_table->selectRow(0);
}

void JournalWindow::followSession()
{
    // The window's archive goes away when the place changes.
    connect(&m_session, &ArchiveSession::aboutToRelocate, this, [this] {
        m_model->clear();
        delete this;
    });
    connect(&m_session, &ArchiveSession::runArchived, this, &JournalWindow::refresh);
}

JournalFilter JournalWindow::currentFilter() const
{
    JournalFilter filter = m_model->filter();
    filter.from = m_fromOn->isChecked() ? m_from->date().startOfDay() : QDateTime();
    filter.to = m_toOn->isChecked() ? m_to->date().addDays(1).startOfDay() : QDateTime();
    filter.kit = m_kit->currentIndex() > 0 ? std::optional<Kit>(Kit(m_kit->currentData().toInt())) : std::nullopt;
    filter.executor = m_executor->currentIndex() > 0 ? m_executor->currentText() : QString();
    filter.sampleSearch = m_search->text();
    return filter;
}

void JournalWindow::fillExecutors()
{
    const QString chosen = m_executor->currentIndex() > 0 ? m_executor->currentText() : QString();
    const QSignalBlocker block(m_executor);
    m_executor->clear();
    m_executor->addItem(QStringLiteral("Все исполнители"));
    m_executor->addItems(m_model->executors());
    m_executor->setCurrentIndex(chosen.isEmpty() ? 0 : qMax(0, m_executor->findText(chosen)));
}

void JournalWindow::applyFilter()
{
    if (!m_table)
        return; // the widgets are still being made
    runCommand(this, [this] { m_model->setFilter(currentFilter()); });
}

void JournalWindow::refresh()
{
    runCommand(this, [this] {
        showHead();
        fillExecutors();
        m_model->setFilter(currentFilter());
    });
}

RunWindow* JournalWindow::openSelected()
{
    const QModelIndex current = m_table->currentIndex();
    if (!current.isValid())
        return nullptr;
    const qint64 seq = m_model->seq(current.row());
    RunWindow* window = nullptr;
    runCommand(this, [&] {
        Archive& archive = m_session.openArchive();
        std::optional<StoredRun> run = archive.run(seq);
        if (!run)
            throw ArchiveError(archive.location().displayName(), QString::number(seq), ArchiveError::Form::MissingRun);
        window = new RunWindow(*run, this);
        window->show();
        window->raise();
    });
    return window;
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
