#include "cli/commands.h"
#include "cli/common.h"

namespace pleq::cli {

int fill(const QStringList&)
{
    return fail(QStringLiteral("fill: not available yet"));
}

} // namespace pleq::cli
