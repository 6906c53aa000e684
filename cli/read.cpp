#include "cli/commands.h"
#include "cli/common.h"

namespace pleq::cli {

int read(const QStringList&)
{
    return fail(QStringLiteral("read: not available yet"));
}

} // namespace pleq::cli
