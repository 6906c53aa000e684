#pragma once

namespace pleq {

// Keeps Qt SQL's own warnings ("QSqlQuery::exec: database not open",
// "Unable to free statement ...") off the user's terminal: the archive
// reports every failure itself, in Russian, naming the archive. Every other
// message goes to the handler installed before. For the programs' main().
void silenceSqlWarnings();

} // namespace pleq
