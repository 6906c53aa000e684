#include "archive/connection.h"

#include "archive/schema.h"
#include "archive/sqlerror.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace pleq {

namespace {

QAtomicInt connectionCounter;

} // namespace

ArchiveConnection::ArchiveConnection(ArchiveLocation location)
    : m_location(std::move(location))
    , m_dialect(dialectFor(m_location.kind))
    , m_connection(QStringLiteral("pleq-archive-%1").arg(connectionCounter.fetchAndAddRelaxed(1)))
{
}

ArchiveConnection::~ArchiveConnection()
{
    if (QSqlDatabase::contains(m_connection)) {
        db().close();
        QSqlDatabase::removeDatabase(m_connection);
    }
}

namespace {

// A file this process may read but not write (another user's, on a read-only
// mount) whose write-ahead log holds nothing: SQLite cannot make the log's
// index beside it, so it is read as an unchanging file instead. A log with
// runs in it is never passed over: its runs would be missing from what is read.
bool readableOnlyAsItIs(const QString& path)
{
    const QFileInfo file(path);
    const QFileInfo log(path + QStringLiteral("-wal"));
    return file.isFile() && file.isReadable() && (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable())
           && (!log.exists() || log.size() == 0);
}

} // namespace

void ArchiveConnection::open(bool create)
{
    if (m_writable || (m_opened && !create))
        return;
    const QString driver = QString::fromLatin1(m_dialect.driver);
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw failure(
            QStringLiteral("нет драйвера Qt SQL %1 (пакет %2)").arg(driver, QString::fromLatin1(m_dialect.package)));
    if (m_readOnly)
        throw failure(QStringLiteral("архив только для чтения: нет права записи в файл или его папку"));
    QSqlDatabase database =
        QSqlDatabase::contains(m_connection) ? db() : QSqlDatabase::addDatabase(driver, m_connection);
    const bool sqlite = m_location.kind == ArchiveLocation::Kind::Sqlite;
    if (sqlite) {
        // The folder of a new archive is made on first use, as the file is.
        const QFileInfo file(m_location.path);
        if (!file.exists() && create)
            QDir().mkpath(file.absolutePath());
        if (file.isDir())
            throw failure(QStringLiteral("это папка, а не файл архива"));
        database.setDatabaseName(m_location.path);
    } else {
        database.setHostName(m_location.host);
        database.setPort(m_location.port);
        database.setUserName(m_location.user);
        database.setDatabaseName(m_location.database);
    }
    database.setConnectOptions(QString::fromLatin1(m_dialect.connectOptions));
    if (!database.isOpen() && !database.open())
        throw failure(sql::failureReason(database.lastError()));
    try {
        prepare(database, create);
    } catch (const sql::Failure&) {
        database.close();
        if (create || !sqlite || !readableOnlyAsItIs(m_location.path))
            throw;
        // Read as it is, never written through this connection.
        database.setDatabaseName(
            QStringLiteral("%1?immutable=1")
                .arg(QUrl::fromLocalFile(QFileInfo(m_location.path).absoluteFilePath()).toString(QUrl::FullyEncoded)));
        database.setConnectOptions(QString::fromLatin1(m_dialect.connectOptions)
                                   + QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        if (!database.open())
            throw failure(sql::failureReason(database.lastError()));
        m_readOnly = true;
        try {
            prepare(database, false);
        } catch (...) {
            database.close();
            throw;
        }
    } catch (...) {
        database.close();
        throw;
    }
}

void ArchiveConnection::prepare(QSqlDatabase& database, bool create)
{
    // Before anything is set or created: another program's database is
    // refused as it is (not even switched to the write-ahead log).
    const int version = schema::version(database, name());
    if (version == 0 && !create)
        return;
    // A read takes the archive as it is: no write-ahead log switched on, no
    // upgrade but the one the reads need.
    const bool reading = !create && m_location.kind == ArchiveLocation::Kind::Sqlite;
    if (!reading)
        for (const QString& statement : m_dialect.sessionSetup)
            sql::exec(database, statement, name());
    if (m_statementLimitMs > 0 && *m_dialect.statementLimit)
        sql::exec(database, QString::fromLatin1(m_dialect.statementLimit).arg(m_statementLimitMs), name());
    if (!reading || version < schema::ReadableVersion)
        schema::upgrade(database, m_dialect, name());
    m_opened = true;
    m_writable = !reading;
}

void ArchiveConnection::applyStatementLimit(int ms)
{
    if (*m_dialect.statementLimit)
        sql::exec(db(), QString::fromLatin1(m_dialect.statementLimit).arg(ms), name());
}

void ArchiveConnection::reset()
{
    db().close();
    m_opened = false;
    m_writable = false;
    m_readOnly = false;
}

} // namespace pleq
