#pragma once

#include "archive/location.h"
#include "core/kits/kit.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <array>
#include <memory>
#include <optional>
#include <vector>

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

// One row of the journal: the values of its JournalColumnCount columns as stored.
using JournalRow = std::array<QVariant, JournalColumnCount>;

// The journal's reads of the archive, on a connection of its own: the
// archive's writes and reads of single runs never end the query whose rows
// the journal's table is still reading. Its statements end with an error
// after ReadLimitMs on the server, but for the query whose rows come as the
// table scrolls: it runs as long as the user reads. Errors are ArchiveError.
class JournalReader
{
public:
    explicit JournalReader(const ArchiveLocation& location); // no I/O yet
    ~JournalReader();
    JournalReader(const JournalReader&) = delete;
    JournalReader& operator=(const JournalReader&) = delete;

    const ArchiveLocation& location() const;
    // Connects (the schema made or upgraded as the archive's own open does).
    void open();
    // Before a new query: PostgreSQL's connection is made anew (the old one
    // may hang on a server that stopped answering, while a new one is given
    // up after the connect timeout); SQLite's stays.
    void restart();

    // Runs the query of the filter (journalQuery); its rows come with read().
    // The query before it ends.
    void select(const JournalFilter& filter);
    // Up to `count` further rows of the query; fewer at its end.
    std::vector<JournalRow> read(int count);
    // Whether the query may hold rows not read yet.
    bool more() const;
    // Ends the query.
    void close();

    // The anchor line (see archive/anchor.h) of the archive's last run, as
    // stored (unverified); empty for an empty archive. Like executors(), it
    // ends the query: ask before select().
    QString headAnchor();

    // The executors the archive names, sorted, for the executor choice. It
    // ends the query (PostgreSQL's driver ends a streamed query when the
    // next one on its connection runs): ask before select().
    QStringList executors();

private:
    struct Private;
    std::unique_ptr<Private> d;
};

// The archive's text form of a moment, as runs.time_utc holds it.
QString utcText(const QDateTime& time);

} // namespace pleq
