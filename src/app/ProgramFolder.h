#pragma once
// Whether the program's own folder is a place to write files in (the import log is written
// there first): a program run from the folder it was built in writes there; an installed
// program's folder belongs to the system and is never written, even by root.
#include <QString>

namespace app {

// `programDir` with a separator at the end, or an empty text for an installed program,
// whose data sits at the installed place relative to its folder.
QString writableProgramFolder(const QString& programDir);

}  // namespace app
