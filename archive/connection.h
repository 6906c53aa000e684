#pragma once

#include "archive/archiveerror.h"
#include "archive/dialect.h"
#include "archive/location.h"

#include <QSqlDatabase>
#include <QString>

namespace pleq {

// How long a read of the windows may run on the server before it ends with
// an error: ten times the slowest read they make (the quality flags of
// 100,000 runs take about 1 s), and short enough that a technician still
// waits for the answer. Writes have no such limit: a long import is no hang,
// and a write that fails leaves its run in the queue.
inline constexpr int ReadLimitMs = 10000;

// One Qt SQL connection to an archive, of the archive layer only: the
// archive's own, or the journal's beside it. Opening it connects, sets the
// session up and creates or upgrades the schema; it closes with the object.
class ArchiveConnection
{
public:
    explicit ArchiveConnection(ArchiveLocation location); // no I/O yet
    ~ArchiveConnection();
    ArchiveConnection(const ArchiveConnection&) = delete;
    ArchiveConnection& operator=(const ArchiveConnection&) = delete;

    const ArchiveLocation& location() const { return m_location; }
    const Dialect& dialect() const { return m_dialect; }
    QString name() const { return m_location.displayName(); } // what messages call the archive
    const QString& connectionName() const { return m_connection; }
    QSqlDatabase db() const { return QSqlDatabase::database(m_connection, false); }

    // Connects once; throws ArchiveError. Only an empty database (or a new
    // file) becomes an archive, and only with `create`: without it an empty
    // database is left as it is and holdsArchive() says so, and the archive
    // is opened for reading as it is (a file this user cannot write is read
    // unchanged); a later open(true) sets it up for writing.
    void open(bool create = true);
    // Whether the database holds the archive's tables (after open()).
    bool holdsArchive() const { return m_opened; }
    // Drops a connection the server lost; the next open() connects anew.
    void reset();
    // Each statement from the next open() on ends with an error after `ms`
    // milliseconds on the server (0: no limit); nothing for SQLite.
    void limitStatements(int ms) { m_statementLimitMs = ms; }
    // The same for the statements from now on, on the connection open.
    void applyStatementLimit(int ms);

    ArchiveError failure(const QString& reason) const { return ArchiveError(name(), reason); }

private:
    void prepare(QSqlDatabase& database, bool create);

    ArchiveLocation m_location;
    const Dialect& m_dialect;
    QString m_connection;
    bool m_opened = false;   // it holds an archive, readable
    bool m_writable = false; // set up for writing, the schema at its latest version
    bool m_readOnly = false; // a file read as it is: nothing is written through it
    int m_statementLimitMs = 0; // each statement's limit on the server, from open() on
};

} // namespace pleq
