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

void toVersion3(const QSqlDatabase& db, const Dialect& dialect, const QString& name);

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
        toVersion3,
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

// Pleq's tables: the archive's, then the two a queue file holds beside them.
const QStringList& archiveTables()
{
    static const QStringList names = {QStringLiteral("meta"),         QStringLiteral("runs"),
                                      QStringLiteral("run_wells"),    QStringLiteral("run_samples"),
                                      QStringLiteral("run_controls"), QStringLiteral("chain_head")};
    return names;
}
const QStringList& queueTables()
{
    static const QStringList names = {QStringLiteral("queue_owed"), QStringLiteral("queue_targets")};
    return names;
}

bool isSqlite(const QSqlDatabase& db)
{
    return db.driverName() == QLatin1String("QSQLITE");
}

// One object of the schema Pleq uses: how the refusal names it, and the
// table it belongs to (an index's), if any.
struct SchemaObject {
    QString shown;
    QString table; // a table's own name, an index's table; empty for anything else
    bool index = false;
};

// Every object of the schema Pleq uses, asked of its catalogue, so that a
// catalogue that cannot be read (a file without the right to read it, a
// write-ahead log that cannot be opened, a role without rights) is an error,
// never an empty list. SQLite: its tables, views, indexes and triggers but
// its own (sqlite_*). PostgreSQL: every relation (table, partitioned table,
// view, materialized view, sequence, foreign table, composite type, index),
// type and function of the current schema, whatever its name.
std::vector<SchemaObject> objectsOf(const QSqlDatabase& db, const QString& archiveName)
{
    std::vector<SchemaObject> objects;
    if (isSqlite(db)) {
        QSqlQuery query = sql::exec(db,
                                    QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master"
                                                   " WHERE name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
                                    archiveName);
        while (query.next()) {
            const QString type = query.value(0).toString(), name = query.value(1).toString();
            if (type == QLatin1String("table"))
                objects.push_back({name, name});
            else if (type == QLatin1String("index"))
                objects.push_back({QStringLiteral("индекс ") + name, query.value(2).toString(), true});
            else if (type == QLatin1String("view"))
                objects.push_back({QStringLiteral("представление ") + name, {}});
            else
                objects.push_back({QStringLiteral("триггер ") + name, {}});
        }
        return objects;
    }
    QSqlQuery query = sql::exec(
        db,
        QStringLiteral(
            "SELECT c.relname, c.relkind::text, t.relname FROM pg_class c"
            " LEFT JOIN pg_index i ON i.indexrelid = c.oid LEFT JOIN pg_class t ON t.oid = i.indrelid"
            " WHERE c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema())"
            " UNION ALL SELECT y.typname, 'type', NULL FROM pg_type y"
            " WHERE y.typnamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema()) AND y.typrelid = "
            "0 AND y.typcategory <> 'A'"
            " UNION ALL SELECT p.proname, 'function', NULL FROM pg_proc p"
            " WHERE p.pronamespace = (SELECT oid FROM pg_namespace WHERE nspname = current_schema()) ORDER BY 1"),
        archiveName);
    while (query.next()) {
        const QString name = query.value(0).toString(), kind = query.value(1).toString();
        if (kind == QLatin1String("r"))
            objects.push_back({name, name});
        else if (kind == QLatin1String("i") || kind == QLatin1String("I"))
            objects.push_back({QStringLiteral("индекс ") + name, query.value(2).toString(), true});
        else if (kind == QLatin1String("p"))
            objects.push_back({QStringLiteral("секционированная таблица ") + name, {}});
        else if (kind == QLatin1String("v"))
            objects.push_back({QStringLiteral("представление ") + name, {}});
        else if (kind == QLatin1String("m"))
            objects.push_back({QStringLiteral("материализованное представление ") + name, {}});
        else if (kind == QLatin1String("S"))
            objects.push_back({QStringLiteral("последовательность ") + name, {}});
        else if (kind == QLatin1String("f"))
            objects.push_back({QStringLiteral("внешняя таблица ") + name, {}});
        else if (kind == QLatin1String("c") || kind == QLatin1String("type"))
            objects.push_back({QStringLiteral("тип ") + name, {}});
        else if (kind == QLatin1String("function"))
            objects.push_back({QStringLiteral("функция ") + name, {}});
        else
            objects.push_back({QStringLiteral("объект ") + name, {}});
    }
    return objects;
}

// Pleq's mark in the database: SQLite's application id "Pleq" in the file's
// header; on PostgreSQL the comment of the table meta.
constexpr qint64 ApplicationId = 0x506C6571;
const char* const MarkComment = "Pleq run archive";

bool marked(const QSqlDatabase& db, const QString& archiveName)
{
    QSqlQuery query =
        sql::exec(db,
                  isSqlite(db) ? QStringLiteral("PRAGMA application_id")
                               : QStringLiteral("SELECT obj_description(c.oid, 'pg_class') FROM pg_class c"
                                                " WHERE c.relnamespace = (SELECT oid FROM pg_namespace WHERE nspname = "
                                                "current_schema()) AND c.relname = 'meta'"),
                  archiveName);
    if (!query.next())
        return false;
    return isSqlite(db) ? query.value(0).toLongLong() == ApplicationId
                        : query.value(0).toString() == QLatin1String(MarkComment);
}

void toVersion3(const QSqlDatabase& db, const Dialect&, const QString& name)
{
    sql::exec(db,
              isSqlite(db) ? QStringLiteral("PRAGMA application_id = %1").arg(ApplicationId)
                           : QStringLiteral("COMMENT ON TABLE meta IS '%1'").arg(QLatin1String(MarkComment)),
              name);
}

} // namespace

int version(const QSqlDatabase& db, const QString& archiveName)
{
    const std::vector<SchemaObject> objects = objectsOf(db, archiveName);
    if (objects.empty())
        return 0;
    // Only a database that holds Pleq's tables and nothing else (but the
    // indexes of those tables) is an archive; any other is another program's,
    // and nothing in it is changed. The objects named are every one when
    // Pleq's tables are not all there, else those that are not Pleq's.
    const bool whole = std::all_of(archiveTables().begin(), archiveTables().end(), [&](const QString& table) {
        return std::any_of(objects.begin(), objects.end(),
                           [&](const SchemaObject& o) { return !o.index && o.table == table; });
    });
    QStringList foreign;
    for (const SchemaObject& o : objects) {
        const bool own = archiveTables().contains(o.table) || queueTables().contains(o.table);
        if (!whole || !own)
            foreign.append(o.shown);
    }
    if (!foreign.isEmpty()) {
        const qsizetype shown = std::min<qsizetype>(foreign.size(), 5);
        QString list = QStringList(foreign.mid(0, shown)).join(QStringLiteral(", "));
        if (foreign.size() > shown)
            list += QStringLiteral(" и еще %1").arg(foreign.size() - shown);
        throw ArchiveError(archiveName, list, ArchiveError::Form::Foreign);
    }
    QSqlQuery query = sql::exec(db, QStringLiteral("SELECT value FROM meta WHERE key = 'schema_version'"), archiveName);
    if (!query.next())
        throw ArchiveError(archiveName, QStringLiteral("в таблице meta нет версии схемы"));
    bool ok = false;
    const int v = query.value(0).toString().toInt(&ok);
    if (!ok || v < 1)
        throw ArchiveError(archiveName, QStringLiteral("версия схемы «%1» не читается").arg(query.value(0).toString()));
    // An archive made before the mark (versions 1 and 2) is recognised by its
    // tables alone and marked when it is upgraded; one of a later version
    // without it is not taken for Pleq's.
    if (v >= MarkedVersion && !marked(db, archiveName))
        throw ArchiveError(archiveName,
                           QStringLiteral("нет метки архива Pleq (версия схемы %1): база данных не принимается; Pleq "
                                          "ее не изменяет")
                               .arg(v));
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
