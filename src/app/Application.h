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

namespace app {

// Gives the embedded database engine a lock folder of the user's own (FIREBIRD_LOCK, unless
// it is set): $XDG_RUNTIME_DIR/halvane-firebird, else the cache folder's halvane/firebird,
// as the launcher does. The engine's own /tmp/firebird belongs to the Firebird server's
// user where the server is installed, and is closed to a desk user. A database file is
// still kept to one program at a time by the engine's lock on the file itself. Call it
// before the first use of the database client.
void useOwnEngineLockFolder();

}  // namespace app
