#include "app/Aplikacja.h"

#include "controls/Prompts.h"

bool Aplikacja::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (prompts_)
            prompts_->reportError(error);
        return false;
    }
}
