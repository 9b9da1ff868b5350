#include "app/Application.h"

#include "controls/PrivateFiles.h"
#include "controls/Prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

bool Application::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (prompts_)
            prompts_->reportError(error);
        return false;
    }
}

namespace app {

void useOwnEngineLockFolder()
{
    if (qEnvironmentVariableIsSet("FIREBIRD_LOCK"))
        return;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    const QFileInfo runtimeInfo(runtime);
    const QString folder =
        !runtime.isEmpty() && runtimeInfo.isDir() && runtimeInfo.isWritable()
            ? runtime + QStringLiteral("/halvane-firebird")
            : QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                  QStringLiteral("/halvane/firebird");
    if (!QDir().mkpath(folder))
        return;  // the engine's own folder, then, and its message if that fails too
    controls::makePrivateFolder(folder);
    qputenv("FIREBIRD_LOCK", QFile::encodeName(folder));
}

}  // namespace app
