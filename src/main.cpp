#include "app/Aplikacja.h"
#include "app/Unit1.h"
#include "controls/Prompts.h"

#include <QLocale>

int main(int argc, char** argv)
{
    Aplikacja app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tvHalvane"));
    // The whole user interface is Polish: weekday and month names, decimal separator.
    QLocale::setDefault(QLocale(QLocale::Polish, QLocale::Poland));
    controls::DesktopPrompts prompts;
    app.setPrompts(&prompts);
    try {
        TForm1 form1(prompts);
        form1.showMaximized();
        return app.exec();
    } catch (const std::exception& error) {
        prompts.reportError(error);
        return 1;
    }
}
