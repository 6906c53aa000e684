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
    "",
};

const Dialect Postgres = {
    "QPSQL",
    "libqt6sql6-psql",
    // A server that takes the connection and never answers is given up after
    // 5 s (a server on the laboratory's network answers in milliseconds, and
    // the windows tell the error then). On a connection open, TCP keepalives
    // find a server gone silent (a dropped VPN, a powered-off host) after
    // 10 s of quiet and three probes 5 s apart; a request the server's host
    // does not acknowledge for 20 s ends the connection. Either way the
    // thread waiting on it gets an error in bounded time.
    "connect_timeout=5;keepalives=1;keepalives_idle=10;keepalives_interval=5;keepalives_count=3;"
    "tcp_user_timeout=20000",
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
    "SET statement_timeout = %1",
};

} // namespace

const Dialect& dialectFor(ArchiveLocation::Kind kind)
{
    return kind == ArchiveLocation::Kind::Postgres ? Postgres : Sqlite;
}

} // namespace pleq
