#include "gui/archive/journalmodel.h"

#include <QBrush>
#include <QColor>

namespace pleq {

namespace {

const char* const Headers[] = {"№",      "Дата",   "Исполнитель", "Набор", "Планшет",          "Проб",
                               "Полож.", "Отриц.", "Сомнит.",     "Годен", "Контроль качества"};

} // namespace

JournalModel::JournalModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

void JournalModel::setRows(std::vector<JournalRow> rows, bool more)
{
    beginResetModel();
    m_rows.assign(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
    m_more = more;
    m_fetching = false;
    endResetModel();
}

void JournalModel::appendRows(std::vector<JournalRow> rows, bool more)
{
    m_more = more;
    m_fetching = false;
    if (rows.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows({}, first, first + int(rows.size()) - 1);
    for (JournalRow& row : rows)
        m_rows.push_back(std::move(row));
    endInsertRows();
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
    return !parent.isValid() && m_more && !m_fetching;
}

void JournalModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    m_fetching = true;
    Q_EMIT fetchRequested();
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
    case JournalColumn::Kit: return QStringLiteral("%1").arg(value.toInt(), 2, 10, QLatin1Char('0'));
    case JournalColumn::Valid: return value.toInt() ? QStringLiteral("да") : QStringLiteral("нет");
    default: return value;
    }
}

QVariant JournalModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section <= QcColumn)
        return QString::fromUtf8(Headers[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace pleq
