#pragma once

#include "archive/archive.h"

#include <QString>

#include <vector>

namespace pleq {

// The chain's head written down outside the database, on paper or in an
// e-mail: one line "SEQ TIME HASH", the run's number, its time in UTC and its
// chain hash ("1234 2026-12-01T07:00:00.000Z 3f7a..."). The chain proves
// that no run was changed without every later hash being made anew; an
// anchor kept elsewhere proves that it was not (nor the last runs removed).
struct Anchor {
    qint64 seq = 0;
    QString time;    // runs.time_utc of the run
    QByteArray hash; // its chain hash, or the first 16 or more of its hex digits
    QString line;    // as written
};

// The anchor line of a stored run, or of its number, time and hash as stored.
QString anchorLine(const StoredRun& run);
QString anchorLine(qint64 seq, const QString& timeUtc, const QByteArray& hash);

// The anchor of the archive's last run, once its chain verifies. Throws
// Error naming the archive: an empty archive, or a broken chain.
QString headAnchor(Archive& archive);

// Appends an anchor line to the file (made when missing). Throws Error naming the file.
void appendAnchor(const QString& path, const QString& line);

// The anchors of a file, one per line; blank lines and lines beginning with
// "#" are skipped. Throws Error naming the file and the line that does not
// read, or saying that it holds no anchor at all.
std::vector<Anchor> readAnchors(const QString& path);

// The first anchor the archive does not keep, as the user reads it; empty
// when the archive holds every anchored run as anchored.
QString checkAnchors(Archive& archive, const std::vector<Anchor>& anchors);

} // namespace pleq
