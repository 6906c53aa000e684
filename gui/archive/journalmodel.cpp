#include "gui/archive/journalmodel.h"

#include "core/model/errors.h"

#include <QBrush>
#include <QColor>
#include <QSqlError>
#include <QSqlQuery>

namespace pleq {

namespace {

const char* const Headers[] = {"№", "Дата", "Исполнитель", "Набор", "Планшет", "Проб", "Полож.", "Отриц.",
                               "Сомнит.", "Годен", "Контроль качества"};

} // namespace

JournalModel::JournalModel(const QSqlDatabase& db, const ArchiveLocation& location, QObject* parent)
    : QSqlQueryModel(parent)
    , m_db(db)
    , m_server(location.kind)
    , m_archiveName(location.displayName())
{
}

void JournalModel::setFilter(const JournalFilter& filter)
{
    const JournalQuery q = journalQuery(filter, m_server);
    QSqlQuery query(m_db);
    if (!query.prepare(q.sql))
        throw Error(QStringLiteral("Архив %1: %2").arg(m_archiveName, query.lastError().text()));
    for (const QVariant& value : q.values)
        query.addBindValue(value);
    if (!query.exec())
        throw Error(QStringLiteral("Архив %1: %2").arg(m_archiveName, query.lastError().text()));
    m_filter = filter;
    setQuery(std::move(query));
    if (lastError().isValid())
        throw Error(QStringLiteral("Архив %1: %2").arg(m_archiveName, lastError().text()));
}

qint64 JournalModel::seq(int row) const
{
    return QSqlQueryModel::data(index(row, 0)).toLongLong();
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

int JournalModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : QcColumn + 1;
}

QVariant JournalModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (index.column() == QcColumn) {
        if (role != Qt::DisplayRole)
            return {};
        const auto it = m_qcFlags.find(seq(index.row()));
        return it == m_qcFlags.end() ? QVariant() : QVariant(it->second.join(QStringLiteral(", ")));
    }
    const QVariant value = QSqlQueryModel::data(index, Qt::DisplayRole);
    const auto column = JournalColumn(index.column());
    if (role == Qt::ForegroundRole && column == JournalColumn::Valid && !value.isNull() && value.toInt() == 0)
        return QBrush(QColor(255, 0, 0));
    if (role != Qt::DisplayRole)
        return QSqlQueryModel::data(index, role);
    if (value.isNull())
        return value;
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
    return QSqlQueryModel::headerData(section, orientation, role);
}

} // namespace pleq
