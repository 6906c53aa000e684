#pragma once

#include "gui/app/sessionarchive.h"
#include "session/session.h"

#include <memory>

namespace pleq::test {

// A session as `pleq`'s main makes it, archive included, for a window built over it.
inline std::unique_ptr<Session> makeSession()
{
    auto session = std::make_unique<Session>();
    addArchive(*session);
    return session;
}

} // namespace pleq::test
