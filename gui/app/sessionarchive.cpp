#include "gui/app/sessionarchive.h"

#include "gui/archive/archivesession.h"
#include "gui/archive/queuesender.h"
#include "session/session.h"

namespace pleq {

void addArchive(Session& session)
{
    auto* archive = new ArchiveSession;
    session.setArchive(archive);
    // Runs queued while the archive's server was away go to it at start and
    // every few minutes, without holding up the window.
    new QueueSender(*archive, archive);
}

} // namespace pleq
