#pragma once

#include "archive/location.h"
#include "core/kits/kit.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <optional>

class QSqlDatabase;

namespace pleq {

// The journal's columns, in the order the query selects them.
enum class JournalColumn { Seq, Time, Executor, Kit, PlateName, SampleCount, Positive, Negative, Doubtful, Valid };
inline constexpr int JournalColumnCount = 10;

// Which runs the journal lists and in which order. Every bound that is unset
// (an invalid time, no kit, an empty text) does not filter.
struct JournalFilter {
    QDateTime from; // runs at or after this moment
    QDateTime to;   // runs before this moment
    std::optional<Kit> kit;
    QString executor;     // the executor's name as stored, whole
    QString sampleSearch; // a part of a sample name, as typed (case kept)
    JournalColumn sortColumn = JournalColumn::Time;
    bool descending = true; // newest first by default
};

// A statement with its values bound in order to its "?" placeholders: the
// user's texts never become part of the SQL text.
struct JournalQuery {
    QString sql;
    QVariantList values;
};

// SELECT seq, then the journal's columns (time_utc, executor, kit,
// plate_name, sample_count, positive, negative, doubtful, valid) of the runs
// the filter lets through, ordered by the chosen column, ties by time. The
// servers differ only in the name of the substring test.
JournalQuery journalQuery(const JournalFilter& filter, ArchiveLocation::Kind server);

// The executors the archive names, sorted, for the executor choice. Throws
// Error naming the archive (`archiveName`) and the reason.
QStringList journalExecutors(const QSqlDatabase& db, const QString& archiveName);

// The archive's text form of a moment, as runs.time_utc holds it.
QString utcText(const QDateTime& time);

} // namespace pleq
