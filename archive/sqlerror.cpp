#include "archive/sqlerror.h"

#include <QRegularExpression>

namespace pleq::sql {

QString failureReason(const QSqlError& error)
{
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.driverText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    text = text.simplified(); // a server's reason can span lines
    // A named database or role the server does not know: say which.
    static const QRegularExpression missing(QStringLiteral("(database|role) \"([^\"]*)\" does not exist"));
    if (const QRegularExpressionMatch m = missing.match(text); m.hasMatch())
        return (m.captured(1) == QLatin1String("role") ? QStringLiteral("на сервере нет пользователя «%1»")
                                                       : QStringLiteral("на сервере нет базы данных «%1»"))
            .arg(m.captured(2));
    struct Known {
        const char* words;
        const char* reason;
    };
    // The drivers' and servers' English, in the order a text is tested.
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
        {"starting up", "сервер архива запускается, попробуйте позже"},
        {"shutting down", "сервер архива останавливается"},
        {"in recovery mode", "сервер архива восстанавливается после сбоя, попробуйте позже"},
        {"terminating connection", "сервер прервал соединение"},
        {"server closed the connection", "связь с сервером прервана"},
        {"no connection to the server", "связь с сервером прервана"},
        {"connection not open", "связь с сервером прервана"},
        {"could not send data", "связь с сервером прервана"},
        {"could not receive data", "связь с сервером прервана"},
        {"Connection refused", "сервер не отвечает"},
        {"could not translate host name", "имя сервера не найдено"},
        {"Name or service not known", "имя сервера не найдено"},
        {"No route to host", "сеть до сервера недоступна"},
        {"Network is unreachable", "сеть до сервера недоступна"},
        {"timeout expired", "сервер не ответил вовремя"},
        {"could not connect", "сервер не отвечает"},
        {"No such file or directory", "сервер не отвечает"},
        {"password authentication failed", "сервер не принял пароль"},
        {"no password supplied", "сервер требует пароль: задайте его в ~/.pgpass или PGPASSWORD"},
        {"no pg_hba.conf entry", "сервер не принимает подключения с этого компьютера"},
        {"too many connections", "сервер занят: слишком много подключений"},
        {"permission denied", "нет прав на базу данных архива"},
        {"does not exist", "нет такой базы данных или пользователя на сервере"},
    };
    for (const Known& k : known)
        if (text.contains(QLatin1String(k.words), Qt::CaseInsensitive))
            return QString::fromUtf8(k.reason);
    // A failure no one foresaw: the driver's words, which are all there is.
    return text.isEmpty() ? QStringLiteral("неизвестная ошибка базы данных")
                          : QStringLiteral("ошибка базы данных: ") + text;
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

void rollback(const QSqlDatabase& db)
{
    if (db.isOpen())
        QSqlQuery(db).exec(QStringLiteral("ROLLBACK"));
}

} // namespace pleq::sql
