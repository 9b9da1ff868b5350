#pragma once
// Renders a window to a PNG in the build folder (screenshots/), so it can be looked at as
// a receptionist sees it.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace testsupport {

// False when the picture could not be made or written.
inline bool saveScreenshot(QWidget& window, const QString& name)
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/");
    QDir().mkpath(folder);
    const QImage picture = window.grab().toImage();
    return !picture.isNull() && picture.save(folder + name);
}

}  // namespace testsupport
