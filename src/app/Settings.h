#pragma once
// The settings file Halvane.ini: section FB with Host, Dir, File and LastBackupDir, and
// the sections of single values that windows keep there (RODO), plain key=value lines.
#include <QMap>
#include <QString>

namespace app {

struct Settings {
    QString host;
    QString dir;  // as the server sees it, ending with a separator
    QString file;
    QString lastBackupDir;
    // Keys whose bytes in the file could not be read, with the text they were read as: such
    // a key keeps its bytes in the file until the program gives it a new value.
    QMap<QString, QString> unreadable;
};

extern const char* const SettingsFileName;

// Reads the four keys; each missing one takes its default (Dir: the settings folder).
// A file that is not valid UTF-8 is read as Windows-1250, as the older Windows program
// wrote it.
Settings readSettings(const QString& settingsFolder);
// Writes the four keys in their order, in the file's own encoding and line ends; every other
// line of the file, and the line of a key whose value is unchanged, keeps its bytes.
// Throws db::Error, in Polish with the path, when the file cannot be written.
void writeSettings(const QString& settingsFolder, const Settings& settings);

// One value of a section; empty when it is missing or its bytes do not decode.
QString readSettingsValue(const QString& settingsFolder, const QString& section,
                          const QString& key);
// Writes one value (section and key in ASCII), keeping every other line of the file as it is.
// Throws db::Error as writeSettings.
void writeSettingsValue(const QString& settingsFolder, const QString& section, const QString& key,
                        const QString& value);

// The database name: Dir + File on "localhost" (exactly), else Host + ":" + Dir + File.
QString databaseName(const Settings& settings);

}  // namespace app
