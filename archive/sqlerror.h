#pragma once

#include "core/model/errors.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>

namespace pleq::sql {

// The reason a database statement failed, for the user: the common SQLite
// and PostgreSQL failures in Russian with the driver's own words after them.
QString failureReason(const QSqlError& error);

// "Архив <name>: <reason>", the one form of every archive error.
Error archiveError(const QString& archiveName, const QString& reason);

// Runs a statement (or the prepared query) and throws archiveError when it fails.
QSqlQuery exec(const QSqlDatabase& db, const QString& statement, const QString& archiveName);
void exec(QSqlQuery& query, const QString& archiveName);
QSqlQuery prepare(const QSqlDatabase& db, const QString& statement, const QString& archiveName);

} // namespace pleq::sql
