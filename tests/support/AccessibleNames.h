#pragma once
// What a screen reader announces of a window: every control the user can reach and act on
// must have a name.
#include <QAccessible>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>

namespace testsupport {

inline bool isControl(QAccessible::Role role)
{
    switch (role) {
        case QAccessible::PushButton:
        case QAccessible::ToolBar:
        case QAccessible::EditableText:
        case QAccessible::Table:
        case QAccessible::Tree:
        case QAccessible::List:
        case QAccessible::CheckBox:
        case QAccessible::RadioButton:
        case QAccessible::ComboBox:
        case QAccessible::SpinBox:
        case QAccessible::ButtonMenu:
        case QAccessible::ButtonDropDown:
        case QAccessible::ScrollBar:
            return true;
        default:
            return false;
    }
}

// The controls of a shown window that a screen reader would announce without a name, as
// "role objectName", and the labels whose name hides the text they show, as "mute
// objectName", and the labels of data that would read typed text as HTML, as "rich
// objectName"; `names` collects the names of the controls that have one.
inline QStringList unnamedControls(QWidget& window, QStringList* names = nullptr)
{
    QStringList unnamed;
    std::function<void(QAccessibleInterface*)> walk = [&](QAccessibleInterface* node) {
        for (int i = 0; i < node->childCount(); ++i) {
            QAccessibleInterface* child = node->child(i);
            if (!child || child->state().invisible)
                continue;
            const auto* label = qobject_cast<const QLabel*>(child->object());
            const QString shown = label ? label->text().trimmed() : QString();
            if (label && !shown.isEmpty() && !child->text(QAccessible::Name).contains(shown))
                unnamed << QStringLiteral("mute ") + label->objectName();
            // A label of data shows typed text as it is: "<b>" stays "<b>".
            if (label && label->property("dataCaption").isValid() &&
                label->textFormat() != Qt::PlainText)
                unnamed << QStringLiteral("rich ") + label->objectName();
            if (isControl(child->role())) {
                if (child->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << QString::number(int(child->role()), 16) + u' ' +
                                   (child->object() ? child->object()->objectName() : QString());
                else if (names)
                    *names << child->text(QAccessible::Name);
            }
            walk(child);
        }
    };
    if (QAccessibleInterface* root = QAccessible::queryAccessibleInterface(&window))
        walk(root);
    return unnamed;
}

}  // namespace testsupport
