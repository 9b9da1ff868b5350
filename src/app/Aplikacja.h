#pragma once
// The application object: an error that escapes an event handler ends up in the general
// error report instead of ending the program.
#include <QApplication>

namespace controls { class Prompts; }

class Aplikacja : public QApplication {
public:
    Aplikacja(int& argc, char** argv) : QApplication(argc, argv) {}
    void setPrompts(controls::Prompts* prompts) { prompts_ = prompts; }
    bool notify(QObject* receiver, QEvent* event) override;

private:
    controls::Prompts* prompts_ = nullptr;
};
