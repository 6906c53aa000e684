#include "archive/sqlwarnings.h"
#include "gui/app/mainwindow.h"
#include "session/session.h"
#include "core/files/standardstreams.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstdio>
#include <cstring>

namespace {

const char* const Usage = "usage: pleq [PROJECT.plq]\n"
                          "       pleq --version | --help\n"
                          "\n"
                          "Opens the project file, if one is given, once the main window is shown.\n"
                          "The standard Qt options (such as -platform offscreen) are accepted.\n";

} // namespace

int main(int argc, char* argv[])
{
    pleq::useExactStandardStreams();
    // Answered before the application connects to a display, so that they
    // work in a terminal without one.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("pleq %s\n", PLEQ_VERSION);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pleq"));
    pleq::silenceSqlWarnings(); // the archive's messages say what went wrong, in Russian
    QApplication::setApplicationVersion(QStringLiteral(PLEQ_VERSION));
    // The installed desktop entry: the desktop takes the window's icon and name from it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pleq.Pleq"));

    // What is left once Qt took its own options: at most one project file.
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg.startsWith(QLatin1Char('-')) && arg != QLatin1String("-")) {
            std::fprintf(stderr, "pleq: unknown option %s\n%s", argv[i], Usage);
            return 2;
        }
        files.append(arg);
    }
    if (files.size() > 1) {
        std::fprintf(stderr, "pleq: one project file at a time\n%s", Usage);
        return 2;
    }

    // The standard dialogs (file choice, message box buttons) in the user's language.
    QTranslator qtTranslator;
    if (qtTranslator.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    // The session below the windows; it outlives them.
    pleq::Session session;
    pleq::MainWindow mainWindow(session);
    mainWindow.show();
    if (!files.isEmpty())
        mainWindow.openFileWhenShown(files.first());
    return QApplication::exec();
}
