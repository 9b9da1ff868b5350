#pragma once
// The texts that Qt draws itself (file dialogs, the context menus of text boxes, the
// standard buttons) in Polish, from the translations Qt is installed with.
#include <QString>

class QTranslator;

namespace app {

// Loads qtbase_pl from Qt's translations folder and installs it in the application, which
// owns it; null (and the texts stay English) when the file is missing or unreadable.
QTranslator* installQtTranslations();

// The folder it is read from.
QString qtTranslationsFolder();

}  // namespace app
