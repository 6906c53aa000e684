#include "archive/sqlerror.h"

namespace pleq::sql {

QString failureReason(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    text = text.simplified(); // a server's reason can span lines
    struct Known {
        const char* words;
        const char* reason;
    };
    static const Known known[] = {
        {"database is locked", "архив занят: другая программа держит его на запись"},
        {"busy", "архив занят: другая программа держит его на запись"},
        {"readonly database", "архив только для чтения: нет права записи в файл или его папку"},
        {"read-only", "архив только для чтения: нет права записи в файл или его папку"},
        {"disk is full", "диск заполнен"},
        {"No space left", "диск заполнен"},
        {"disk I/O error", "ошибка записи на диск: диск заполнен или неисправен"},
        {"not a database", "файл не является архивом (не база данных SQLite или поврежден)"},
        {"malformed", "файл архива поврежден"},
        {"unable to open", "файл архива не открывается"},
        {"Connection refused", "сервер не отвечает"},
        {"could not connect", "сервер не отвечает"},
        {"No such file or directory", "сервер не отвечает"},
        {"timeout expired", "сервер не ответил вовремя"},
        {"password authentication failed", "сервер не принял пароль"},
        {"does not exist", "нет такой базы данных или пользователя на сервере"},
    };
    for (const Known& k : known)
        if (text.contains(QLatin1String(k.words), Qt::CaseInsensitive))
            return QString::fromUtf8(k.reason) + QStringLiteral(" (") + text + QLatin1Char(')');
    return text.isEmpty() ? QStringLiteral("неизвестная ошибка базы данных") : text;
}

Failure::Failure(const QString& archiveName, const QSqlError& error)
    : ArchiveError(archiveName, failureReason(error))
    , m_sqlState(error.nativeErrorCode())
    , m_type(error.type())
{
}

bool Failure::retryable() const
{
    return m_sqlState == QLatin1String("40001") || m_sqlState == QLatin1String("40P01");
}

QSqlQuery exec(const QSqlDatabase& db, const QString& statement, const QString& archiveName)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(statement))
        throw Failure(archiveName, query.lastError());
    return query;
}

void exec(QSqlQuery& query, const QString& archiveName)
{
    if (!query.exec())
        throw Failure(archiveName, query.lastError());
}

QSqlQuery prepare(const QSqlDatabase& db, const QString& statement, const QString& archiveName)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        throw Failure(archiveName, query.lastError());
    return query;
}

} // namespace pleq::sql
