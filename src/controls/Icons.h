#pragma once
// The program's pictures, drawn at the size asked for; each icon carries a grey set
// for disabled actions.
#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace controls {

enum class Picture {
    Companies, Personnel, Guests, Search, Info, Visits, Overview, About, Backup, DatabaseChoice,
    Department,     // a department node of a tree
    Add, AddChild, Delete, Edit, Up, Down,
};

QPixmap drawPicture(Picture picture, int size, bool grey = false);
QIcon icon(Picture picture, int size);

// Pointers shown while a department is dragged.
enum class TreeCursor { InsertBefore, NewChild, AppendAtEnd };
QCursor treeCursor(TreeCursor kind);

}  // namespace controls
