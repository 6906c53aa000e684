#pragma once

#include "archive/location.h"

#include <QString>
#include <QStringList>

namespace pleq {

// Every SQL text in which SQLite and PostgreSQL differ, side by side; all
// other SQL of the archive is the same for both.
struct Dialect {
    const char* driver;         // the Qt SQL driver: "QSQLITE", "QPSQL"
    const char* package;        // the Debian package that holds the driver
    const char* connectOptions; // QSqlDatabase::setConnectOptions
    QStringList sessionSetup;   // run once after connecting (SQLite: write-ahead log, foreign keys)

    // Column types of the schema.
    const char* bigInt; // seq
    const char* real;   // a density value, a control mean: a 64-bit double on both
    const char* blob;   // the project file and protocol bytes
    // After a table of a run's rows (wells, samples, controls): kept in the
    // order of its key, with no second index beside it.
    const char* clustered;

    // The write transaction of an append and of a schema upgrade: it begins
    // with the database locked for writers (SQLite) or takes the chain head's
    // row lock (PostgreSQL), so that appends from several workstations or
    // processes run one after another.
    const char* beginWrite;
    // The read transaction of verify: one snapshot of what was committed
    // when it began, whatever other workstations append meanwhile.
    const char* beginRead;
    const char* lockSchema; // taken first in a schema upgrade; empty where beginWrite locks already
    const char* lockHead;   // reads chain_head's seq and hash, locked until the commit

    // An insert of a run that does nothing when the archive holds its uid.
    const char* insertRunHead; // before "(columns) VALUES (...)"
    const char* insertRunTail; // after it

    // Sets how long one statement of the connection may run before the
    // server ends it with an error ("%1": milliseconds, 0 for no limit);
    // empty where the database is a local file.
    const char* statementLimit;
};

const Dialect& dialectFor(ArchiveLocation::Kind kind);

} // namespace pleq
