#pragma once
// Renders a window (or, through PdfPages.h, a printed page) to a PNG in the build folder
// (screenshots/), so it can be looked at as a receptionist sees it.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>

namespace testsupport {

// The folder of the pictures, made when missing; ends with a separator.
inline QString screenshotFolder()
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots/");
    QDir().mkpath(folder);
    return folder;
}

// False when the picture could not be made or written.
inline bool saveScreenshot(QWidget& window, const QString& name)
{
    const QImage picture = window.grab().toImage();
    return !picture.isNull() && picture.save(screenshotFolder() + name);
}

}  // namespace testsupport
