#pragma once
// Finding a window's controls, actions and data sets by their object name, as a screen
// reader or a user would: a missing one ends the run with its name.
#include <QAction>
#include <QObject>
#include <QString>
#include <QtGlobal>

namespace testsupport {

template <class T = QObject>
T* child(const QObject* root, const QString& name)
{
    T* found = root ? root->findChild<T*>(name) : nullptr;
    if (!found)
        qFatal("%s has no %s named '%s'", root ? qPrintable(root->objectName()) : "(null)",
               T::staticMetaObject.className(), qPrintable(name));
    return found;
}

// Triggers an action by name, as its menu item, button or shortcut would.
inline void trigger(const QObject* root, const QString& name)
{
    child<QAction>(root, name)->trigger();
}

}  // namespace testsupport
