#pragma once

#include "archive/archive.h"
#include "archive/connection.h"

#include <vector>

namespace pleq {

// The archive's writes: runs appended at the head of the chain, or the runs
// of another archive as stored there, in one write transaction that holds
// the chain head's lock.
namespace writer {

// Appends `runs` (or, with `copies`, those runs with their seq and hashes
// as stored) and returns their seqs; a run whose uid the archive holds is
// not stored again (its seq is returned); `stored` gets how many were new.
// Throws Error; nothing is stored then.
std::vector<qint64> write(ArchiveConnection& connection, const std::vector<const RunRecord*>& runs,
                          const std::vector<StoredRun>* copies = nullptr, int* stored = nullptr);

// Runs `write` (connecting first) until it succeeds or fails for good: on
// PostgreSQL a serialization failure or deadlock is run again after a short
// pause, and a connection lost since the archive was opened once on a new
// one (an append sent twice is stored once, by its uid). SQLite, and every
// other failure, throws at once.
std::vector<qint64> retrying(ArchiveConnection& connection, const std::function<std::vector<qint64>()>& write);

} // namespace writer

} // namespace pleq
