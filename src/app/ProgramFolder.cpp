#include "app/ProgramFolder.h"

#include <QFileInfo>

namespace app {

QString writableProgramFolder(const QString& programDir)
{
    // Given by the install rules: the schema and demo data relative to the program.
    const QString installedData =
        programDir + u'/' + QLatin1String(HALVANE_DATA_FROM_PROGRAM) + QLatin1String("/schema.sql");
    if (QFileInfo::exists(installedData))
        return {};
    return programDir.endsWith(u'/') ? programDir : programDir + u'/';
}

}  // namespace app
