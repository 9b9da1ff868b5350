#pragma once
// The main window on a fresh database: a settings folder of its own (XDG_DATA_HOME
// points at a temporary folder), a Halvane.ini naming the database, and the window
// shown, activated and connected.
#include "app/MainWindow.h"
#include "support/AnsweringPrompts.h"
#include "support/TestDatabase.h"

#include <QTemporaryDir>
#include <memory>

namespace testsupport {

class AppFixture {
public:
    // Without a database the settings folder holds no Halvane.ini and no HALVANE.FDB.
    explicit AppFixture(bool demo = true, bool withDatabase = true);
    ~AppFixture();

    QString settingsFolder() const { return data_.path() + QStringLiteral("/Tervik/halvane/"); }
    void writeIni(const QByteArray& content) const;
    QByteArray readIni() const;
    // Shows and activates the window and waits until the start-up connection was tried.
    bool start();

    TestDatabase* database() { return db_.get(); }
    AnsweringPrompts prompts;
    std::unique_ptr<MainWindow> form;

private:
    QTemporaryDir data_;
    QByteArray oldXdg_;
    std::unique_ptr<TestDatabase> db_;
};

}  // namespace testsupport
