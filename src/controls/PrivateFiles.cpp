#include "controls/PrivateFiles.h"

#include <QFile>
#include <QFileInfo>

namespace controls {

bool openPrivate(QFileDevice& file, QIODevice::OpenMode mode)
{
    if (!file.open(mode))
        return false;
    // On a QSaveFile this sets the mode of the new file that later takes the name.
    if (file.setPermissions(OwnerOnlyFile))
        return true;
    file.close();
    return false;
}

bool makePrivate(const QString& path)
{
    return QFileInfo(path).isFile() && QFile::setPermissions(path, OwnerOnlyFile);
}

bool preparePrivate(const QString& path)
{
    if (QFileInfo::exists(path))
        return makePrivate(path);
    QFile file(path);
    // The mode is given as the file is made: there is no moment when it is wider.
    return file.open(QIODevice::WriteOnly, OwnerOnlyFile) && file.setPermissions(OwnerOnlyFile);
}

bool makePrivateFolder(const QString& path)
{
    return QFileInfo(path).isDir() && QFile::setPermissions(path, OwnerOnlyFolder);
}

}  // namespace controls
