#pragma once

#include "session/session.h"

#include <memory>

namespace pleq::test {

// A session as `pleq`'s main makes it, archive included, for a window built over it.
inline std::unique_ptr<Session> makeSession()
{
    return std::make_unique<Session>();
}

} // namespace pleq::test
