#pragma once

#include <QStringList>

namespace pleq::cli {

// Each command takes its own arguments (after the command word) and returns
// the exit status. They run the same core code as the windows.
int check(const QStringList& args);
int fill(const QStringList& args);
int calc(const QStringList& args);
int protocol(const QStringList& args);
int read(const QStringList& args);
int import(const QStringList& args);
int exportCsv(const QStringList& args);
// `archive SUBCOMMAND ...`: the subcommands are in cli/archive.cpp.
int archive(const QStringList& args);

} // namespace pleq::cli
