#pragma once

#include "archive/location.h"

#include <QStringList>

namespace pleq::cli {

// One `pleq-cli archive SUBCOMMAND`: its arguments after the subcommand word
// (without --archive) and the archive they name (--archive LOCATION, else
// PLEQ_ARCHIVE, the setting, the default). Returns the exit status.
struct ArchiveSubcommand {
    const char* name;
    const char* usage; // the line of the usage text, after "pleq-cli archive "
    int (*run)(const QStringList& args, const ArchiveLocation& location);
};

// `archive add`: 0 stored; 1 stored with a calculation or protocol error, or
// not stored at all (the error on stderr); QueuedStatus when the archive's
// server did not answer and the run waits in the local queue.
inline constexpr int QueuedStatus = 3;
int archiveAdd(const QStringList& args, const ArchiveLocation& location);
int archiveVerify(const QStringList& args, const ArchiveLocation& location);
int archiveImport(const QStringList& args, const ArchiveLocation& location);
int archiveCopy(const QStringList& args, const ArchiveLocation& location);
int archiveSend(const QStringList& args, const ArchiveLocation& location);
int archiveAnchor(const QStringList& args, const ArchiveLocation& location);
int archiveQc(const QStringList& args, const ArchiveLocation& location); // cli/archiveqc.cpp

} // namespace pleq::cli
