#pragma once

#include "archive/archive.h"
#include "archive/connection.h"

namespace pleq {

// `archive verify`: every run's content against its hash, every link against
// the run before, the journal's summary columns against the content and the
// chain head against the last run; the report names the first run that fails.
// `connection` is open (an empty database without an archive is reported empty).
// With `after`, the runs up to it are taken as verified before (a copy's
// checkpoint): the walk begins at the next run, linked to `afterHash`, and
// the rest is checked as for the whole chain.
VerifyReport verifyChain(ArchiveConnection& connection, qint64 after = 0, const QByteArray& afterHash = {});

} // namespace pleq
