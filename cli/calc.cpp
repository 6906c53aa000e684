#include "cli/commands.h"
#include "cli/common.h"

namespace pleq::cli {

int calc(const QStringList&)
{
    return fail(QStringLiteral("calc: not available yet"));
}

} // namespace pleq::cli
