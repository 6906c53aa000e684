#pragma once

#include "archive/archive.h"
#include "archive/connection.h"

namespace pleq {

// `archive verify`: every run's content against its hash, every link against
// the run before, the journal's summary columns against the content and the
// chain head against the last run; the report names the first run that fails.
// `connection` is open (an empty database without an archive is reported empty).
VerifyReport verifyChain(ArchiveConnection& connection);

} // namespace pleq
