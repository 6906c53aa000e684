#pragma once

#include <QString>

namespace pleq {

// Where the archive lives: an SQLite file (the default) or a PostgreSQL
// database ("postgresql://user@host:port/dbname"). A password is never part
// of it: the server's client library reads ~/.pgpass or PGPASSWORD.
struct ArchiveLocation {
    enum class Kind { Sqlite, Postgres };
    Kind kind = Kind::Sqlite;
    QString path; // the SQLite file
    QString host; // PostgreSQL: host name or socket folder, port, user, database
    int port = 5432;
    QString user;
    QString database;

    // A file path, or a postgresql:// (postgres://) address. Throws Error
    // naming the text when it is neither or holds a password.
    static ArchiveLocation parse(const QString& text);
    // The file path, or the address without a password: what messages name.
    QString displayName() const;
};

// The archive in use: PLEQ_ARCHIVE when set, else the setting "archive/location",
// else archive.sqlite in the user's data folder (QStandardPaths::AppDataLocation).
ArchiveLocation archiveLocation();
QString archiveLocationSetting();
void setArchiveLocationSetting(const QString& text); // empty: the default

} // namespace pleq
