#pragma once

#include "archive/journal.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <deque>
#include <map>
#include <vector>

namespace pleq {

// The journal's rows as read from the archive off the window's thread: the
// database filters and sorts (JournalReader), the window hands the rows here
// a page at a time, and the view's scrolling asks for the next page
// (fetchRequested). After the archive's columns comes the control-quality
// column, filled from the flags given per run.
class JournalModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int QcColumn = JournalColumnCount;
    static constexpr int FetchBatch = 256;

    explicit JournalModel(QObject* parent = nullptr);

    // The first page of a new query: the rows before it go.
    void setRows(std::vector<JournalRow> rows, bool more);
    // The next page of the same query.
    void appendRows(std::vector<JournalRow> rows, bool more);
    // A page asked for is being read, or is no longer (an error).
    void setFetching(bool fetching) { m_fetching = fetching; }

    // The run (seq) of a row.
    qint64 seq(int row) const;
    // Flags per run (seq), joined in the control-quality column.
    void setQcFlags(std::map<qint64, QStringList> flags);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // The view scrolled to the last row read while the query holds more.
    void fetchRequested();

private:
    std::deque<JournalRow> m_rows; // appended without moving the rows read before
    std::map<qint64, QStringList> m_qcFlags;
    bool m_more = false;     // the query holds rows not read yet
    bool m_fetching = false; // a page is being read
};

} // namespace pleq
