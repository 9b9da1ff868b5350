#include "app/Application.h"
#include "app/MainWindow.h"
#include "controls/Prompts.h"

#include <QGuiApplication>
#include <QLocale>
#include <QScreen>

int main(int argc, char** argv)
{
    Application application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tvHalvane"));
    // The whole user interface is Polish: weekday and month names, decimal separator.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    controls::DesktopPrompts prompts;
    application.setPrompts(&prompts);
    try {
        MainWindow mainWindow(prompts);
        // Without a window manager a maximised window would keep its own size.
        if (const QScreen* screen = QGuiApplication::primaryScreen())
            mainWindow.setGeometry(screen->availableGeometry());
        mainWindow.showMaximized();
        return application.exec();
    } catch (const std::exception& error) {
        prompts.reportError(error);
        return 1;
    }
}
