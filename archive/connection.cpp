#include "archive/connection.h"

#include "archive/schema.h"
#include "archive/sqlerror.h"

#include <QAtomicInt>
#include <QDir>
#include <QFileInfo>

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

void ArchiveConnection::open(bool create)
{
    if (m_opened)
        return;
    const QString driver = QString::fromLatin1(m_dialect.driver);
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw failure(
            QStringLiteral("нет драйвера Qt SQL %1 (пакет %2)").arg(driver, QString::fromLatin1(m_dialect.package)));
    QSqlDatabase database =
        QSqlDatabase::contains(m_connection) ? db() : QSqlDatabase::addDatabase(driver, m_connection);
    if (m_location.kind == ArchiveLocation::Kind::Sqlite) {
        // The folder of a new archive is made on first use, as the file is.
        const QFileInfo file(m_location.path);
        if (!file.exists())
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
        // Before anything is set or created: another program's database is
        // refused as it is (not even switched to the write-ahead log).
        if (schema::version(database, name()) == 0 && !create)
            return;
        for (const QString& statement : m_dialect.sessionSetup)
            sql::exec(database, statement, name());
        if (m_statementLimitMs > 0 && *m_dialect.statementLimit)
            sql::exec(database, QString::fromLatin1(m_dialect.statementLimit).arg(m_statementLimitMs), name());
        schema::upgrade(database, m_dialect, name());
    } catch (...) {
        database.close();
        throw;
    }
    m_opened = true;
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
}

} // namespace pleq
