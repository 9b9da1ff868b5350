#pragma once
// The application object: an error that escapes an event handler ends up in the general
// error report instead of ending the program.
#include <QApplication>

namespace controls {
class Prompts;
}

class Application : public QApplication {
public:
    Application(int& argc, char** argv) : QApplication(argc, argv) {}
    void setPrompts(controls::Prompts* prompts) { prompts_ = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    controls::Prompts* prompts_ = nullptr;
};
