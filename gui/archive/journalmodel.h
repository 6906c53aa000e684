#pragma once

#include "archive/journal.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <map>
#include <memory>
#include <vector>

namespace pleq {

// The journal's rows straight from the archive: the database filters and
// sorts (JournalReader), and the model reads rows as the view scrolls to
// them, FetchBatch at a time; rows read are kept. After the archive's columns comes the
// control-quality column, filled from the flags given per run.
class JournalModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int QcColumn = JournalColumnCount;
    static constexpr int FetchBatch = 256;

    // Connects to the archive at `location` on a connection of the journal's
    // own. Throws Error naming the archive and the reason.
    explicit JournalModel(const ArchiveLocation& location, QObject* parent = nullptr);
    ~JournalModel() override;

    // Runs the query of the filter. Throws Error naming the archive and the reason.
    void setFilter(const JournalFilter& filter);
    const JournalFilter& filter() const { return m_filter; }
    // The same query again: runs stored since show.
    void refresh() { setFilter(m_filter); }
    // No rows and no query left open.
    void clear();

    // The executors the archive names, for the executor choice; ask before
    // setFilter (see JournalReader::executors). Throws Error.
    QStringList executors();
    // The anchor line of the archive's last run; empty for an empty archive.
    // Ask before setFilter too. Throws Error.
    QString headAnchor();

    // The run (seq) of a row.
    qint64 seq(int row) const;
    // Flags per run (seq), joined in the control-quality column.
    void setQcFlags(std::map<qint64, QStringList> flags);

    // Header clicks: the database sorts.
    void sort(int column, Qt::SortOrder order) override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A query refused while the view sorted or scrolled (no caller to throw to).
    void failed(const QString& message);

private:
    std::unique_ptr<JournalReader> m_reader;
    JournalFilter m_filter;
    std::vector<JournalRow> m_rows;
    std::map<qint64, QStringList> m_qcFlags;
};

} // namespace pleq
