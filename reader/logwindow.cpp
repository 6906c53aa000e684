#include "reader/logwindow.h"

#include "model/project.h"

namespace pleq {

TForm5::TForm5(Project& project, QWidget* parent)
    : QWidget(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TForm5"));
    setWindowTitle(QStringLiteral("Form5"));
}

} // namespace pleq
