#include "reader/portdialog.h"

#include "model/project.h"

namespace pleq {

TForm7::TForm7(Project& project, QWidget* parent)
    : QDialog(parent)
    , m_project(project)
{
    setObjectName(QStringLiteral("TForm7"));
    setWindowTitle(QStringLiteral("Настройка ридера"));
}

} // namespace pleq
