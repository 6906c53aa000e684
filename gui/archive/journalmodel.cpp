#include "gui/archive/journalmodel.h"

#include "core/model/errors.h"

#include <QBrush>
#include <QColor>
#include <QSqlError>

namespace pleq {

namespace {

const char* const Headers[] = {"№", "Дата", "Исполнитель", "Набор", "Планшет", "Проб", "Полож.", "Отриц.",
                               "Сомнит.", "Годен", "Контроль качества"};

} // namespace

JournalModel::JournalModel(const QSqlDatabase& db, const ArchiveLocation& location, QObject* parent)
    : QAbstractTableModel(parent)
    , m_db(db)
    , m_server(location.kind)
    , m_archiveName(location.displayName())
{
}

void JournalModel::setFilter(const JournalFilter& filter)
{
    const JournalQuery q = journalQuery(filter, m_server);
    const auto failure = [this](const QSqlQuery& query) {
        return Error(QStringLiteral("Архив %1: %2").arg(m_archiveName, query.lastError().text()));
    };
    beginResetModel();
    m_rows.clear();
    m_more = false;
    m_query = QSqlQuery(); // the earlier query ends before the next begins
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    const bool ran = [&] {
        // Without values the text runs as it is: PostgreSQL's driver streams
        // the rows of a plain forward-only query, not those of a prepared one.
        if (q.values.isEmpty())
            return query.exec(q.sql);
        if (!query.prepare(q.sql))
            return false;
        for (const QVariant& value : q.values)
            query.addBindValue(value);
        return query.exec();
    }();
    if (!ran) {
        endResetModel();
        throw failure(query);
    }
    m_filter = filter;
    m_query = std::move(query);
    m_more = true;
    try {
        m_rows = readRows(FetchBatch);
    } catch (...) {
        endResetModel();
        throw;
    }
    endResetModel();
}

std::vector<JournalModel::Row> JournalModel::readRows(int count)
{
    std::vector<Row> rows;
    while (m_more && int(rows.size()) < count) {
        if (!m_query.next()) {
            m_more = false;
            const QSqlError error = m_query.lastError();
            m_query = QSqlQuery();
            if (error.isValid())
                throw Error(QStringLiteral("Архив %1: %2").arg(m_archiveName, error.text()));
            break;
        }
        Row row;
        for (int c = 0; c < JournalColumnCount; ++c)
            row[size_t(c)] = m_query.value(c);
        rows.push_back(std::move(row));
    }
    return rows;
}

void JournalModel::clear()
{
    beginResetModel();
    m_query = QSqlQuery();
    m_more = false;
    m_rows.clear();
    endResetModel();
}

qint64 JournalModel::seq(int row) const
{
    return row >= 0 && size_t(row) < m_rows.size() ? m_rows[size_t(row)][0].toLongLong() : 0;
}

void JournalModel::setQcFlags(std::map<qint64, QStringList> flags)
{
    m_qcFlags = std::move(flags);
    if (rowCount() > 0)
        Q_EMIT dataChanged(index(0, QcColumn), index(rowCount() - 1, QcColumn));
}

void JournalModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= QcColumn)
        return; // the flags are no database column
    JournalFilter filter = m_filter;
    filter.sortColumn = JournalColumn(column);
    filter.descending = order == Qt::DescendingOrder;
    try {
        setFilter(filter);
    } catch (const Error& e) {
        Q_EMIT failed(e.message());
    }
}

int JournalModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int JournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : QcColumn + 1;
}

bool JournalModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && m_more;
}

void JournalModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || !m_more)
        return;
    try {
        std::vector<Row> rows = readRows(FetchBatch);
        if (rows.empty())
            return;
        const int first = int(m_rows.size());
        beginInsertRows({}, first, first + int(rows.size()) - 1);
        for (Row& row : rows)
            m_rows.push_back(std::move(row));
        endInsertRows();
    } catch (const Error& e) {
        Q_EMIT failed(e.message());
    }
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || size_t(index.row()) >= m_rows.size())
        return {};
    if (index.column() == QcColumn) {
        if (role != Qt::DisplayRole)
            return {};
        const auto it = m_qcFlags.find(seq(index.row()));
        return it == m_qcFlags.end() ? QVariant() : QVariant(it->second.join(QStringLiteral(", ")));
    }
    const QVariant& value = m_rows[size_t(index.row())][size_t(index.column())];
    const auto column = JournalColumn(index.column());
    if (role == Qt::ForegroundRole && column == JournalColumn::Valid && !value.isNull() && value.toInt() == 0)
        return QBrush(QColor(255, 0, 0));
    if (role != Qt::DisplayRole || value.isNull())
        return role == Qt::DisplayRole ? value : QVariant();
    switch (column) {
    case JournalColumn::Time:
        return QDateTime::fromString(value.toString(), Qt::ISODateWithMs)
            .toLocalTime()
            .toString(QStringLiteral("dd.MM.yyyy HH:mm"));
    case JournalColumn::Kit:
        return QStringLiteral("%1").arg(value.toInt(), 2, 10, QLatin1Char('0'));
    case JournalColumn::Valid:
        return value.toInt() ? QStringLiteral("да") : QStringLiteral("нет");
    default:
        return value;
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section <= QcColumn)
        return QString::fromUtf8(Headers[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace pleq
