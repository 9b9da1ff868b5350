#include "app/Application.h"

#include "controls/Prompts.h"

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
