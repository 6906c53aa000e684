#include "layout/rospwindow.h"

#include "model/project.h"

namespace pleq {

TRosp::TRosp(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TRosp"));
    setWindowTitle(QStringLiteral("Роспись планшета"));
}

} // namespace pleq
