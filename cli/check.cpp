#include "cli/commands.h"
#include "cli/common.h"

#include "core/model/project.h"

namespace pleq::cli {

int check(const QStringList& args)
{
    if (args.size() != 1)
        return fail(QStringLiteral("usage: pleq-cli check PROJECT.plq"));
    const auto project = loadProject(args.at(0));
    const TextGrid& samples = project->sampleTable();
    out(QStringLiteral("kit: %1\nexecutor: %2\nsamples: %3\nfirst well: %4%5\norientation: %6\n")
            .arg(project->kitRow(), project->executor())
            .arg(samples.rows() - 1)
            .arg(project->firstRow().text(), project->firstColumn().text(),
                 project->horizontal() ? QStringLiteral("horizontal") : QStringLiteral("vertical")));
    return 0;
}

} // namespace pleq::cli
