#include "layout/fill.h"

#include "model/project.h"

namespace pleq {

// Skeleton: the layout rules are built with the layout folder.
void fillPlate(Project& project)
{
    project.fillEmptyLayout();
}

} // namespace pleq
