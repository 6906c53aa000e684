#include "archive/dialect.h"

namespace pleq {

namespace {

const Dialect Sqlite = {
    "QSQLITE",
    "libqt6sql6-sqlite",
    // Another writer's transaction is waited for this long before "database is locked".
    "QSQLITE_BUSY_TIMEOUT=5000",
    {QStringLiteral("PRAGMA journal_mode=WAL"), QStringLiteral("PRAGMA foreign_keys=ON")},
    "INTEGER",
    "REAL",
    "BLOB",
    " WITHOUT ROWID",
    "BEGIN IMMEDIATE",
    // In WAL mode a deferred transaction reads from the snapshot its first read takes.
    "BEGIN DEFERRED",
    "",
    "SELECT seq, hash FROM chain_head WHERE id = 1",
    "INSERT OR IGNORE INTO runs",
    "",
};

const Dialect Postgres = {
    "QPSQL",
    "libqt6sql6-psql",
    "connect_timeout=5",
    {QStringLiteral("SET client_min_messages = warning")},
    "BIGINT",
    "DOUBLE PRECISION",
    "BYTEA",
    "",
    "BEGIN",
    "BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY",
    // Two workstations creating the schema at once: the second waits, then
    // finds it made.
    "SELECT pg_advisory_xact_lock(7263115)",
    "SELECT seq, hash FROM chain_head WHERE id = 1 FOR UPDATE",
    "INSERT INTO runs",
    " ON CONFLICT (uid) DO NOTHING",
};

} // namespace

const Dialect& dialectFor(ArchiveLocation::Kind kind)
{
    return kind == ArchiveLocation::Kind::Postgres ? Postgres : Sqlite;
}

} // namespace pleq
