#include "core/model/textgrid.h"

#include <QtGlobal>

namespace pleq {

TextGrid::TextGrid(int columns, int rows, QObject* parent)
    : QAbstractTableModel(parent)
    , m_columns(columns)
    , m_rows(rows)
    , m_cells(columns * rows)
{
}

QString TextGrid::cell(int col, int row) const
{
    Q_ASSERT(col >= 0 && col < m_columns && row >= 0 && row < m_rows);
    return m_cells.at(at(col, row));
}

void TextGrid::setCell(int col, int row, const QString& text)
{
    Q_ASSERT(col >= 0 && col < m_columns && row >= 0 && row < m_rows);
    QString& c = m_cells[at(col, row)];
    if (c == text && c.isNull() == text.isNull())
        return;
    c = text;
    const QModelIndex i = index(row, col);
    Q_EMIT dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
}

void TextGrid::setRows(int rows)
{
    Q_ASSERT(rows >= 0);
    if (rows > m_rows) {
        beginInsertRows({}, m_rows, rows - 1);
        m_cells.resize(qsizetype(rows) * m_columns);
        m_rows = rows;
        endInsertRows();
    } else if (rows < m_rows) {
        beginRemoveRows({}, rows, m_rows - 1);
        m_cells.resize(qsizetype(rows) * m_columns);
        m_rows = rows;
        endRemoveRows();
    }
}

void TextGrid::assign(int rows, const QStringList& texts)
{
    Q_ASSERT(texts.size() == qsizetype(rows) * m_columns);
    beginResetModel();
    m_rows = rows;
    m_cells.resize(qsizetype(rows) * m_columns);
    int k = 0;
    for (int col = 0; col < m_columns; ++col)
        for (int row = 0; row < m_rows; ++row)
            m_cells[at(col, row)] = texts.at(k++);
    endResetModel();
}

QStringList TextGrid::columnMajorTexts() const
{
    QStringList texts;
    texts.reserve(m_cells.size());
    for (int col = 0; col < m_columns; ++col)
        for (int row = 0; row < m_rows; ++row)
            texts.append(m_cells.at(at(col, row)));
    return texts;
}

int TextGrid::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int TextGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant TextGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    return cell(index.column(), index.row());
}

Qt::ItemFlags TextGrid::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (index.row() == 0 || index.column() == 0)
        return Qt::ItemIsEnabled;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (m_editable)
        f |= Qt::ItemIsEditable;
    return f;
}

} // namespace pleq
