#include "calc/raswindow.h"

#include "model/project.h"

namespace pleq {

TRas::TRas(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TRas"));
    setWindowTitle(QStringLiteral("Расчет"));
}

} // namespace pleq
