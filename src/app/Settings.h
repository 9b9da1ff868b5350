#pragma once
// The settings file Halvane.ini: section FB with Host, Dir, File and LastBackupDir,
// plain key=value lines.
#include <QString>

namespace app {

struct Settings {
    QString host;
    QString dir;  // as the server sees it, ending with a separator
    QString file;
    QString lastBackupDir;
};

extern const char* const SettingsFileName;

// Reads the four keys; each missing one takes its default (Dir: the settings folder).
Settings readSettings(const QString& settingsFolder);
// Writes the four keys in their order, keeping whatever else the file holds.
// Throws db::Error "Unable to write to <path>" when the file cannot be written.
void writeSettings(const QString& settingsFolder, const Settings& settings);

// The database name: Dir + File on "localhost" (exactly), else Host + ":" + Dir + File.
QString databaseName(const Settings& settings);

}  // namespace app
