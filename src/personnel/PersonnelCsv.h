#pragma once
// The whole building's staff list as a ";"-separated Windows-1250 file: the export, the
// reader that splits a file into lines, the import of those lines and its log. No
// widgets: the personnel list window shows the dialogs and the progress.
#include <QByteArray>
#include <QByteArrayView>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

class QIODevice;
namespace db {
class Database;
}

namespace personnelcsv {

// The first line of every file.
extern const char* const Header;
// The status column of the import log, 17 characters each.
extern const char* const StatusHeader;
extern const char* const StatusAdded;
extern const char* const StatusUpdated;
extern const char* const StatusError;

// Told the number of lines done so far; false stops the work.
using Progress = std::function<bool(int lines)>;

// The import sends the rows of this many lines to the server in one exchange (fewer when
// the connection's character set takes more than a byte a letter): over a slow link each
// exchange costs its round trip, however little it carries.
constexpr int LinesPerBlock = 50;

// "lista_personelu_YYYY-MM-DD.csv"
QString exportFileName(const QDate& today);
// "log_importu_YYYY-MM-DD_HHNN.txt"
QString logFileName(const QDateTime& now);

// Writes the header and every employee whose company and department exist to `out`, in
// the order of company, department, surname, first name and ID. The number of employees
// written; -1 when `progress` stopped it. Throws db::Error for a database failure.
int exportStaff(db::Database& database, QIODevice& out, const Progress& progress = {});

// The lines of a file: a line ends at CR, LF or CR LF, a break at the very end makes no
// empty line after it, and the file ends at its first zero byte. Views into `file`.
std::vector<QByteArrayView> splitLines(const QByteArray& file);

// What one import run did.
struct ImportReport {
    bool headerMatched = false;  // false: nothing was imported
    int added = 0;
    int updated = 0;
    int errors = 0;
    QByteArray log;  // the log file's bytes
    // The file's line (the header is line 1) at which the run stopped early, 0 when it
    // read the whole file.
    int stoppedAtLine = 0;
    bool cancelled = false;
    QString failure;  // the database's message when a line could not be stored
};

// Imports the lines of a file into the shared transaction: employees found by ID are
// updated (their INFO kept), the others added; missing companies and departments are
// created by name. Nothing is committed. A database failure on a line stops the run there
// and is reported in the result, with that line logged as an error, the lines before it
// stored and nothing of it or after it; a failure while reading the tables at the start
// throws db::Error. `progress` hears of each line as it is read; the rows of the lines up
// to the one at which it stops the run are stored.
ImportReport importStaff(db::Database& database, const QByteArray& file,
                         const Progress& progress = {});

// Where a log was written, or why it could not be.
struct LogPlace {
    QString path;   // the file written; empty when none could be
    QString error;  // why the last folder tried failed
};
// Writes the log into the first of the folders (each ending with a separator) where the
// file can be written; an empty folder is passed over.
LogPlace writeLog(const QByteArray& log, const QString& fileName, const QStringList& folders);

}  // namespace personnelcsv
