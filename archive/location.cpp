#include "archive/location.h"

#include "core/model/errors.h"

#include <QDir>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>
#include <QUrlQuery>

namespace pleq {

namespace {

const char* const SettingKey = "archive/location";

Error badLocation(const QString& text, const QString& why)
{
    return Error(QStringLiteral("Место архива «%1»: %2").arg(text, why));
}

const QString ServerForm = QStringLiteral("postgresql://пользователь@сервер[:порт]/база");

ArchiveLocation parsePostgres(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        throw badLocation(text, QStringLiteral("адрес PostgreSQL не читается; ожидается %1").arg(ServerForm));
    if (!url.password().isEmpty())
        throw badLocation(url.toString(QUrl::RemovePassword),
                          QStringLiteral("пароль в адресе не хранится: задайте его в ~/.pgpass или PGPASSWORD"));
    ArchiveLocation location;
    location.kind = ArchiveLocation::Kind::Postgres;
    location.user = url.userName();
    location.host = url.host();
    location.port = url.port(5432);
    location.database = url.path().mid(1);
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            location.host = value; // a socket folder, such as /var/run/postgresql
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            location.port = value.toInt(&ok);
            if (!ok || location.port <= 0 || location.port > 65535)
                throw badLocation(text, QStringLiteral("порт «%1» не число от 1 до 65535").arg(value));
        } else if (key == QLatin1String("user")) {
            location.user = value;
        } else if (key == QLatin1String("dbname")) {
            location.database = value;
        } else if (key == QLatin1String("password")) {
            throw badLocation(url.toString(QUrl::RemoveQuery),
                              QStringLiteral("пароль в адресе не хранится: задайте его в ~/.pgpass или PGPASSWORD"));
        } else {
            throw badLocation(text, QStringLiteral("неизвестный параметр «%1»").arg(key));
        }
    }
    // The local socket is named, never implied by a missing server: "postgresql:///pleq" is a typo as often.
    if (location.host.isEmpty())
        throw badLocation(text, QStringLiteral("не указан сервер (%1; сокет на этом компьютере: "
                                               "postgresql://пользователь@/база?host=/var/run/postgresql)")
                                    .arg(ServerForm));
    if (location.database.isEmpty() || location.database.contains(QLatin1Char('/')))
        throw badLocation(text, QStringLiteral("не указана база данных (postgresql://пользователь@сервер/база)"));
    return location;
}

} // namespace

ArchiveLocation ArchiveLocation::parse(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        throw Error(QStringLiteral("Место архива не указано"));
    // A scheme is two characters or more before the colon: "C:" is a drive.
    static const QRegularExpression schemePattern(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
    const QRegularExpressionMatch scheme = schemePattern.match(trimmed);
    const QString name = scheme.captured(1).toLower();
    // An address with a typo ("postgresql//db", "postgresql;//db", "postgresql ://db"): a word, then "//",
    // ";//" or blanks and ":", is never taken for a file of that name.
    static const QRegularExpression attemptedAddress(
        QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*(\\s*;\\s*//|\\s*//|\\s+:)"));
    if (attemptedAddress.match(trimmed).hasMatch())
        throw badLocation(
            trimmed,
            QStringLiteral("похоже на адрес с опечаткой; ожидается путь к файлу SQLite или адрес %1").arg(ServerForm));
    if (name.startsWith(QLatin1String("postgres"))) {
        // One slash, "postgressql:", "postgresql:lab@db/pleq": no address Pleq can read, never a file of that name.
        if (!trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
            && !trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
            throw badLocation(trimmed, QStringLiteral("адрес PostgreSQL не читается; ожидается %1").arg(ServerForm));
        return parsePostgres(trimmed);
    }
    if (scheme.hasMatch() && name != QLatin1String("file"))
        throw badLocation(trimmed,
                          QStringLiteral("схема «%1:» не поддерживается; ожидается путь к файлу SQLite или адрес %2")
                              .arg(scheme.captured(1), ServerForm));
    ArchiveLocation location;
    location.kind = Kind::Sqlite;
    location.path = scheme.hasMatch() ? QUrl(trimmed).toLocalFile() : QDir::cleanPath(trimmed);
    if (location.path.isEmpty())
        throw badLocation(trimmed, QStringLiteral("путь к файлу пуст"));
    return location;
}

QString ArchiveLocation::displayName() const
{
    if (kind == Kind::Sqlite)
        return QDir::toNativeSeparators(path);
    QString text = QStringLiteral("postgresql://");
    if (!user.isEmpty())
        text += user + QLatin1Char('@');
    if (host.startsWith(QLatin1Char('/'))) {
        text += QLatin1Char('/') + database + QStringLiteral("?host=") + host;
        if (port != 5432)
            text += QStringLiteral("&port=") + QString::number(port);
        return text;
    }
    text += host;
    if (port != 5432)
        text += QLatin1Char(':') + QString::number(port);
    return text + QLatin1Char('/') + database;
}

ArchiveLocation archiveLocation()
{
    const QString environment = qEnvironmentVariable("PLEQ_ARCHIVE").trimmed();
    if (!environment.isEmpty())
        return ArchiveLocation::parse(environment);
    const QString setting = archiveLocationSetting();
    if (!setting.isEmpty())
        return ArchiveLocation::parse(setting);
    // The data folder of the application "Pleq" (QStandardPaths::AppDataLocation
    // of the window program), named here so that pleq-cli finds the same file.
    ArchiveLocation location;
    location.path =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Pleq/archive.sqlite");
    return location;
}

QString archiveLocationSetting()
{
    const QSettings settings(QStringLiteral("Pleq"), QStringLiteral("Pleq"));
    return settings.value(QLatin1String(SettingKey)).toString().trimmed();
}

void setArchiveLocationSetting(const QString& text)
{
    QSettings settings(QStringLiteral("Pleq"), QStringLiteral("Pleq"));
    if (text.trimmed().isEmpty()) {
        settings.remove(QLatin1String(SettingKey));
        return;
    }
    ArchiveLocation::parse(text); // refuses a text that names no archive
    settings.setValue(QLatin1String(SettingKey), text.trimmed());
}

} // namespace pleq
