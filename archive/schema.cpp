#include "archive/schema.h"

#include "archive/sqlerror.h"

#include <QSqlDriver>
#include <QVariant>

#include <algorithm>
#include <functional>
#include <iterator>

namespace pleq::schema {

namespace {

QString typed(const char* statement, const Dialect& dialect)
{
    return QString::fromLatin1(statement)
        .replace(QLatin1String("%BIGINT%"), QLatin1String(dialect.bigInt))
        .replace(QLatin1String("%REAL%"), QLatin1String(dialect.real))
        .replace(QLatin1String("%BLOB%"), QLatin1String(dialect.blob))
        .replace(QLatin1String("%CLUSTERED%"), QLatin1String(dialect.clustered));
}

const char* const Version1[] = {
    "CREATE TABLE meta (key TEXT PRIMARY KEY, value TEXT)",
    "CREATE TABLE runs ("
    " seq %BIGINT% PRIMARY KEY,"
    " uid TEXT UNIQUE NOT NULL,"
    " time TEXT NOT NULL,"
    " time_utc TEXT NOT NULL,"
    " executor TEXT, host TEXT, os_user TEXT,"
    " kit INTEGER NOT NULL CHECK (kit BETWEEN 1 AND 5),"
    " plate_name TEXT,"
    " material INTEGER,"
    " sample_count INTEGER, positive INTEGER, negative INTEGER, doubtful INTEGER,"
    " valid INTEGER,"
    " labels TEXT, messages TEXT, log TEXT,"
    " project_file %BLOB%, protocol %BLOB%,"
    " prev_hash TEXT NOT NULL, hash TEXT NOT NULL)",
    "CREATE TABLE run_wells ("
    " seq %BIGINT% NOT NULL REFERENCES runs (seq) ON DELETE CASCADE ON UPDATE CASCADE,"
    " col INTEGER NOT NULL, row INTEGER NOT NULL,"
    " well TEXT, layout TEXT, density TEXT, value %REAL%, verdict TEXT, kind TEXT, sample INTEGER,"
    " PRIMARY KEY (seq, col, row))%CLUSTERED%",
    "CREATE TABLE run_samples ("
    " seq %BIGINT% NOT NULL REFERENCES runs (seq) ON DELETE CASCADE ON UPDATE CASCADE,"
    " position INTEGER NOT NULL, number TEXT, name TEXT, quantity TEXT,"
    " PRIMARY KEY (seq, position))%CLUSTERED%",
    "CREATE TABLE run_controls ("
    " seq %BIGINT% NOT NULL REFERENCES runs (seq) ON DELETE CASCADE ON UPDATE CASCADE,"
    " position INTEGER NOT NULL, control TEXT, mean %REAL%, wells INTEGER,"
    " PRIMARY KEY (seq, position))%CLUSTERED%",
    "CREATE TABLE chain_head (id INTEGER PRIMARY KEY CHECK (id = 1), seq %BIGINT% NOT NULL, hash TEXT NOT NULL)",
    "INSERT INTO chain_head (id, seq, hash) VALUES (1, 0, '')",
    "CREATE INDEX runs_time_utc ON runs (time_utc)",
    "CREATE INDEX runs_kit_seq ON runs (kit, seq)",
    "INSERT INTO meta (key, value) VALUES ('schema_version', '1')",
};

void toVersion2(const QSqlDatabase& db, const Dialect&, const QString& name)
{
    sql::exec(db, QStringLiteral("ALTER TABLE runs ADD COLUMN sample_names TEXT"), name);
    sql::exec(db, QStringLiteral("CREATE INDEX runs_executor ON runs (executor)"), name);
    // The names of each run's samples, in their list order, one per line.
    QSqlQuery names = sql::exec(db, QStringLiteral("SELECT seq, name FROM run_samples ORDER BY seq, position"), name);
    QSqlQuery update = sql::prepare(db, QStringLiteral("UPDATE runs SET sample_names = ? WHERE seq = ?"), name);
    qint64 seq = -1;
    QStringList joined;
    const auto flush = [&] {
        if (seq < 0)
            return;
        update.bindValue(0, joined.join(QLatin1Char('\n')));
        update.bindValue(1, seq);
        sql::exec(update, name);
    };
    while (names.next()) {
        const qint64 next = names.value(0).toLongLong();
        if (next != seq) {
            flush();
            seq = next;
            joined.clear();
        }
        joined.append(names.value(1).toString());
    }
    flush();
    sql::exec(db, QStringLiteral("UPDATE runs SET sample_names = '' WHERE sample_names IS NULL"), name);
}

using Step = std::function<void(const QSqlDatabase&, const Dialect&, const QString&)>;

// Step i brings version i to version i + 1.
const std::vector<Step>& steps()
{
    static const std::vector<Step> all = {
        [](const QSqlDatabase& db, const Dialect& dialect, const QString& name) {
            for (const QString& statement : version1(dialect))
                sql::exec(db, statement, name);
        },
        toVersion2,
    };
    return all;
}

} // namespace

QStringList version1(const Dialect& dialect)
{
    QStringList statements;
    for (const char* statement : Version1)
        statements.append(typed(statement, dialect));
    return statements;
}

namespace {

// The tables and views of the database, asked of its catalogue so that a
// catalogue that cannot be read (a file without the right to read it, a
// write-ahead log that cannot be opened) is an error, never an empty list.
QStringList tablesOf(const QSqlDatabase& db, const QString& archiveName)
{
    const bool sqlite = db.driverName() == QLatin1String("QSQLITE");
    QSqlQuery query =
        sql::exec(db,
                  sqlite ? QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table', 'view')"
                                          " AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\'")
                         : QStringLiteral("SELECT c.relname FROM pg_class c WHERE c.relnamespace = "
                                          "(SELECT oid FROM pg_namespace WHERE nspname = current_schema())"
                                          " AND c.relkind IN ('r', 'v')"),
                  archiveName);
    QStringList names;
    while (query.next())
        names.append(query.value(0).toString());
    return names;
}

} // namespace

int version(const QSqlDatabase& db, const QString& archiveName)
{
    const QStringList tables = tablesOf(db, archiveName);
    if (tables.isEmpty())
        return 0;
    // Only a database that holds Pleq's tables is an archive; any other is
    // another program's, and nothing in it is changed.
    static const char* const Own[] = {"meta", "runs", "run_wells", "run_samples", "run_controls", "chain_head"};
    if (!std::all_of(std::begin(Own), std::end(Own),
                     [&](const char* name) { return tables.contains(QLatin1String(name)); })) {
        QStringList names = tables;
        names.sort();
        const qsizetype shown = std::min<qsizetype>(names.size(), 5);
        QString list = QStringList(names.mid(0, shown)).join(QStringLiteral(", "));
        if (names.size() > shown)
            list += QStringLiteral(" и еще %1").arg(names.size() - shown);
        throw ArchiveError(archiveName, list, ArchiveError::Form::Foreign);
    }
    QSqlQuery query = sql::exec(db, QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'"), archiveName);
    if (!query.next())
        throw ArchiveError(archiveName, QStringLiteral("в таблице meta нет версии схемы"));
    bool ok = false;
    const int v = query.value(0).toString().toInt(&ok);
    if (!ok || v < 1)
        throw ArchiveError(archiveName, QStringLiteral("версия схемы «%1» не читается").arg(query.value(0).toString()));
    return v;
}

void upgrade(const QSqlDatabase& db, const Dialect& dialect, const QString& archiveName)
{
    // Read first without a lock: an archive of the current version (the usual
    // case) is opened without waiting for writers.
    if (version(db, archiveName) == LatestVersion)
        return;
    sql::exec(db, QString::fromLatin1(dialect.beginWrite), archiveName);
    try {
        if (*dialect.lockSchema)
            sql::exec(db, QString::fromLatin1(dialect.lockSchema), archiveName);
        int current = version(db, archiveName); // another process may have done it meanwhile
        if (current > LatestVersion)
            throw ArchiveError(archiveName, QStringLiteral("архив создан более новой версией Pleq "
                                                           "(версия схемы %1, эта версия знает до %2)")
                                                .arg(current)
                                                .arg(LatestVersion));
        for (; current < LatestVersion; ++current)
            steps()[size_t(current)](db, dialect, archiveName);
        sql::exec(db, QStringLiteral("UPDATE meta SET value = '%1' WHERE key = 'schema_version'").arg(LatestVersion),
                  archiveName);
        sql::exec(db, QStringLiteral("COMMIT"), archiveName);
    } catch (...) {
        sql::rollback(db);
        throw;
    }
}

} // namespace pleq::schema
