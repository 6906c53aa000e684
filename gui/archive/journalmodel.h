#pragma once

#include "archive/journal.h"

#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QStringList>

#include <map>

namespace pleq {

// The journal's rows straight from the archive: the database filters and
// sorts (the query of journalQuery), and the model fetches rows as the view
// scrolls to them. After the archive's columns comes the control-quality
// column, filled from the flags given per run.
class JournalModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    static constexpr int QcColumn = JournalColumnCount;

    JournalModel(const QSqlDatabase& db, const ArchiveLocation& location, QObject* parent = nullptr);

    // Runs the query of the filter. Throws Error naming the archive and the reason.
    void setFilter(const JournalFilter& filter);
    const JournalFilter& filter() const { return m_filter; }
    // The same query again: runs stored since show.
    void refresh() { setFilter(m_filter); }

    const QSqlDatabase& database() const { return m_db; }

    // The run (seq) of a row.
    qint64 seq(int row) const;
    // Flags per run (seq), joined in the control-quality column.
    void setQcFlags(std::map<qint64, QStringList> flags);

    // Header clicks: the database sorts.
    void sort(int column, Qt::SortOrder order) override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

Q_SIGNALS:
    // A query refused while the view sorted (no caller to throw to).
    void failed(const QString& message);

private:
    QSqlDatabase m_db;
    ArchiveLocation::Kind m_server;
    QString m_archiveName;
    JournalFilter m_filter;
    std::map<qint64, QStringList> m_qcFlags;
};

} // namespace pleq
