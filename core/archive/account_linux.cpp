#include "core/archive/account.h"

#include <pwd.h>
#include <unistd.h>

namespace pleq {

QString accountName()
{
    // The account's entry, not USER, which can be missing (cron, services) or set by hand.
    if (const passwd* account = getpwuid(getuid()))
        return QString::fromLocal8Bit(account->pw_name);
    return {};
}

} // namespace pleq
