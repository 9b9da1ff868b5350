#pragma once
// A fresh database file in a temporary folder, made from the project's schema through
// the embedded engine, and an open connection to it.
#include "db/Database.h"

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <sys/stat.h>

namespace testsupport {

extern const char* const kTestParams;  // user, password and WIN1250

// Statements of a script, split at the terminator (";" at first) outside quotes and comments;
// "SET TERM x" changes the terminator, as isql does, and is not among the statements.
QStringList splitSql(const QString& script);
QString readProjectFile(const QString& relativePath);
// Starts isql (another program with its own embedded engine) on the database file and
// waits until it has it open; false when it could not.
bool holdInIsql(QProcess& isql, const QString& path);

// The texts that can be read from a database file. The engine compresses a record by runs of
// bytes: give texts that repeat no byte; a control byte may still fall inside one.
QStringList textsReadableIn(const QString& path, const QStringList& texts);

class TestDatabase {
public:
    // Creates the file with the schema; with `demo` the demo data too.
    explicit TestDatabase(bool demo = false);
    ~TestDatabase();

    const QString& path() const { return path_; }
    QString folder() const { return dir_.path() + u'/'; }
    // The connection the test works with (open).
    db::Database& db() { return *db_; }
    // Another connection to the same file, as a second desk would have.
    std::unique_ptr<db::Database> connect() const;
    // Runs statements and commits them (setting up rows for a test).
    void run(const QStringList& statements);
    // The first column of the first row of a query, on a fresh connection's view.
    QVariant scalar(const QString& sql);

private:
    QTemporaryDir dir_;
    QString path_;
    std::unique_ptr<db::Database> db_;
};

// A file's permission bits as octal text ("600"); under the tests' umask 022 (testmain) a
// writer that leaves them to the umask gives "644".
inline QString modeOf(const QString& path)
{
    struct stat info {};
    return ::stat(path.toLocal8Bit().constData(), &info) == 0
               ? QString::number(info.st_mode & 07777, 8)
               : QStringLiteral("missing");
}

}  // namespace testsupport
