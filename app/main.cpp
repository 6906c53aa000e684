#include "app/mainwindow.h"
#include "model/project.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pleq"));

    pleq::Project project;
    pleq::TForm1 mainWindow(project);
    mainWindow.show();
    return QApplication::exec();
}
