#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>

namespace pleq {

// A string grid addressed as Cells[col,row], headers included: row 0 and
// column 0 are the fixed header cells and are part of the state (the project
// file stores them). The views show the whole grid; only the wells can be
// selected, and only when the grid is editable can they be typed into. A view
// never writes the grid: setData refuses, and a typed cell goes to the window's
// edit (GridDelegate::setCellCommit), a command over a core operation, which
// the plate lock refuses while the reader fills the plate.
class TextGrid : public QAbstractTableModel
{
    Q_OBJECT
public:
    TextGrid(int columns, int rows, QObject* parent = nullptr);

    int columns() const { return m_columns; }
    int rows() const { return m_rows; }
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

    // Grows with empty rows or drops rows from the end.
    void setRows(int rows);
    // Replaces every cell at once; texts are column by column, as the project file holds them.
    void assign(int rows, const QStringList& columnMajorTexts);
    QStringList columnMajorTexts() const;

    void setEditable(bool editable) { m_editable = editable; }
    bool isEditable() const { return m_editable; }

    // The fixed header cells of the three 13 x 9 plate grids.
    static QString rowLetter(int row) { return QString(QLatin1Char(char('A' + row - 1))); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    int at(int col, int row) const { return row * m_columns + col; }

    int m_columns;
    int m_rows;
    QList<QString> m_cells; // row by row
    bool m_editable = false;
};

} // namespace pleq
