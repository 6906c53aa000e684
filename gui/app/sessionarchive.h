#pragma once

namespace pleq {

class Session;

// Gives the session the application's archive session (opened on first use)
// and the sender of the runs queued for the archive's server, which tries at
// once and every few minutes. `main` calls it once after making the session.
void addArchive(Session& session);

} // namespace pleq
