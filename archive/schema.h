#pragma once

#include "archive/dialect.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace pleq::schema {

// The schema's versions, in meta's 'schema_version':
//   1  the runs with their wells, samples and controls, the chain head, the
//      indexes on time and kit
//   2  runs.sample_names (the sample names joined by LF, for the journal's
//      search), filled from run_samples, and the index on the executor
//   3  Pleq's mark: SQLite's application_id 0x506C6571 ("Pleq"), on
//      PostgreSQL the comment "Pleq run archive" of the table meta
inline constexpr int LatestVersion = 3;
// The first version that holds the mark: an older archive is known by its tables alone.
inline constexpr int MarkedVersion = 3;
// The oldest version the reads (verify, the journal) take as it is.
inline constexpr int ReadableVersion = 2;

// The statements that create a version-1 archive, kept so that an archive
// of that version can be made and its upgrade checked.
QStringList version1(const Dialect& dialect);

// The schema version the database holds: 0 when it is empty (nothing in the
// schema Pleq uses). A database that holds anything but Pleq's tables and
// their indexes (any relation, view, sequence, type or function, whatever
// its name), or lacks some of them, is another program's: refused with
// ArchiveError, nothing read or changed but its catalogue. So is one of
// version MarkedVersion or later without Pleq's mark. A catalogue that
// cannot be read is an error, never an empty database.
int version(const QSqlDatabase& db, const QString& archiveName);

// Creates the schema in an empty database or brings an older one to
// LatestVersion, every step in one write transaction. Throws Error naming
// the archive; a database of a newer version is refused.
void upgrade(const QSqlDatabase& db, const Dialect& dialect, const QString& archiveName);

} // namespace pleq::schema
