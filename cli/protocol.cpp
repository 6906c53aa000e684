#include "cli/commands.h"
#include "cli/common.h"

namespace pleq::cli {

int protocol(const QStringList&)
{
    return fail(QStringLiteral("protocol: not available yet"));
}

} // namespace pleq::cli
