#pragma once

#include "archive/archive.h"
#include "archive/connection.h"

#include <vector>

namespace pleq::reader {

// A run read back with the journal's summary columns as stored, which verify
// checks against the content.
struct LoadedRun {
    StoredRun stored;
    qint64 sampleCount = 0, positive = 0, negative = 0, doubtful = 0, valid = 0;
    QString sampleNames;
    QString timeUtc;        // runs.time_utc, which the journal shows and filters by
    bool malformed = false; // a stored value that no record writes (a verdict "xyz", labels not JSON)
};

// The runs with seq in [from, to] with their wells, samples and controls, in chain order.
std::vector<LoadedRun> load(ArchiveConnection& connection, qint64 from, qint64 to);

// The control means of a kit's runs in [from, to] (an invalid bound: open), in chain order.
std::vector<ControlPoint> controlSeries(ArchiveConnection& connection, Kit kit, const QDateTime& from,
                                        const QDateTime& to);

} // namespace pleq::reader
