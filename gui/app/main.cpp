#include "gui/app/mainwindow.h"
#include "core/model/project.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pleq"));

    // The standard dialogs (file choice, message box buttons) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    pleq::Project project;
    pleq::TForm1 mainWindow(project);
    mainWindow.show();
    return QApplication::exec();
}
