#pragma once

#include "archive/archive.h"

#include <functional>

namespace pleq {

// What `archive copy` did.
struct CopyReport {
    qint64 runs = 0;     // runs copied
    VerifyReport source; // both archives verified after the copy
    VerifyReport target;
};

// `pleq-cli archive copy`: every run of `from` into the empty archive `to`
// (SQLite or PostgreSQL either way), each with its seq, previous hash and hash
// as stored, so that the chain verifies alike in both; then both verified.
// Refuses a source whose chain is broken before the target is touched (a
// broken archive stays where it is, as the evidence it is) and a target that
// holds runs, unless it is an unfinished copy of this source, which goes on.
// Runs go over in transactions of CopySlice; `progress` gets (done, total)
// after each. Until the last, the target says it is an unfinished copy (its
// verify fails so). Throws Error naming the archive.
inline constexpr qint64 CopySlice = 256;
CopyReport copyArchive(Archive& from, Archive& to, const std::function<void(qint64 done, qint64 total)>& progress = {});

} // namespace pleq
