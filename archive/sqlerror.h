#pragma once

#include "archive/archiveerror.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace pleq::sql {

// The reason a database statement failed, for the user, on one line: the
// SQLite and PostgreSQL failures foreseen in Russian; another one as
// "ошибка базы данных: " and the driver's words.
QString failureReason(const QSqlError& error);

// A failed statement: the archive error with what the driver said, so that a
// PostgreSQL append can tell a conflict worth retrying from a lost connection.
class Failure : public ArchiveError
{
public:
    Failure(const QString& archiveName, const QSqlError& error);
    QString sqlState() const { return m_sqlState; } // PostgreSQL's SQLSTATE, "40001"; empty for SQLite
    QSqlError::ErrorType type() const { return m_type; }
    // A serialization failure or deadlock: the transaction may simply be run again.
    bool retryable() const;

private:
    QString m_sqlState;
    QSqlError::ErrorType m_type;
};

// Runs a statement (or the prepared query) and throws Failure when it fails.
QSqlQuery exec(const QSqlDatabase& db, const QString& statement, const QString& archiveName);
void exec(QSqlQuery& query, const QString& archiveName);
QSqlQuery prepare(const QSqlDatabase& db, const QString& statement, const QString& archiveName);
// Ends the transaction, if the connection still stands, without a word: the
// failure that called for it is reported already.
void rollback(const QSqlDatabase& db);

} // namespace pleq::sql
