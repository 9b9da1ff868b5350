#pragma once
// The one place that gives the files the program writes to its user alone: a report, an
// export, an import log, a backup or a printed PDF holds personal data, and another user of
// the computer must not read it, whatever the umask the program was started with.
#include <QFileDevice>
#include <QString>

namespace controls {

// Read and write for the owner (0600); a folder also lets the owner in (0700).
constexpr QFileDevice::Permissions OwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr QFileDevice::Permissions OwnerOnlyFolder = OwnerOnlyFile | QFileDevice::ExeOwner;

// Opens `file` (a QFile, or a QSaveFile whose new file then holds the mode before anything
// is written into it) for writing and makes it 0600; an existing file written over loses
// any wider mode it had. False, with the file's error string, when either fails.
bool openPrivate(QFileDevice& file, QIODevice::OpenMode mode = QIODevice::WriteOnly);

// Makes a file written by someone else on the program's behalf (the embedded engine's
// backup, a PDF from the printing system) 0600. False when it does not exist or stays wider.
bool makePrivate(const QString& path);

// Creates the file empty and 0600 when it does not exist, or makes it 0600: a writer that
// opens it afterwards (truncating) keeps the mode, so the data is never readable by others
// even while it is written.
bool preparePrivate(const QString& path);

// Makes an existing folder 0700 (the folder itself, not what it holds). False when it does
// not exist or stays wider.
bool makePrivateFolder(const QString& path);

}  // namespace controls
