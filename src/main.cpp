#include "app/Application.h"
#include "app/MainWindow.h"
#include "app/QtTranslations.h"
#include "app/Termination.h"
#include "controls/Prompts.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace {

MainWindow* runningWindow = nullptr;

// When the display goes away the toolkit ends the process with exit() from under the
// event loop: what was not committed is still rolled back, the connection detached and the
// engine shut down.
void closeDatabaseAtExit()
{
    if (runningWindow)
        runningWindow->database().close();
    runningWindow = nullptr;
    app::leaveIfAttachesWereGivenUp(EXIT_FAILURE);
    app::shutDownDatabaseEngine();
}

}  // namespace

int main(int argc, char** argv)
{
    // The embedded engine's restore asks on the console for the next part of a backup file
    // that ends too early; a program started from a terminal would wait there for an answer
    // nobody sees. With no console input it ends the restore as failed.
    if (!std::freopen("/dev/null", "r", stdin))
        std::fclose(stdin);
    // Whatever the program or its embedded engine makes (a database restored, a backup, a
    // lock file) is the user's alone; the writers of reports and exports say so themselves.
    ::umask(S_IRWXG | S_IRWXO);
    app::useOwnEngineLockFolder();
    Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tvHalvane"));
    // The whole user interface is Polish: weekday and month names, decimal separator.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    // Qt's own dialogs and menus too; the program's message boxes name their buttons
    // themselves.
    app::installQtTranslations();
    // The desktop finds the menu entry's name and icon for the windows through it.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.example.tervik.halvane"));
    controls::DesktopPrompts prompts;
    application.setPrompts(&prompts);
    int exitCode = 1;
    try {
        MainWindow mainWindow(prompts);
        runningWindow = &mainWindow;
        std::atexit(closeDatabaseAtExit);
        app::Termination termination(&mainWindow);
        // Without a window manager a maximised window would keep its own size.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            mainWindow.setGeometry(screen->availableGeometry());
        mainWindow.showMaximized();
        exitCode = application.exec();
        mainWindow.database().close();
        runningWindow = nullptr;
    } catch (const std::exception& error) {
        runningWindow = nullptr;
        prompts.reportError(error);
    }
    app::leaveIfAttachesWereGivenUp(exitCode);
    return exitCode;
}
