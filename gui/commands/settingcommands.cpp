#include "gui/commands/settingcommands.h"

namespace pleq {

KitSetting kitSetting(const Project& project)
{
    return {project.kit(), project.horizontal()};
}

void restoreKit(Project& project, const KitSetting& setting)
{
    restoreKit(project, setting.first, setting.second);
}

} // namespace pleq
