// The staff import over any lines after the file's header, against a fresh database file made
// once from schema/ with a few companies, departments and employees, so that lines both add
// and update. The import commits nothing: each input is rolled back, so every input meets the
// same rows. Checked: no crash, every line read counted once in the report and logged once,
// and the staff table grown by exactly the employees the report says were added.
#include "db/Database.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "personnel/PersonnelCsv.h"
#include "support/TestDatabase.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into FIRMY (ID, NAZWA) values (2, 'Beta Łódź')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'Kadry')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (2, 1, 1, 4, 'Płace')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (3, 2, 0, 0, 'Zarząd')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, POKOJ, INFO) "
    "values (7, 1, 1, 'Jan', 'Nowak', '12', 'notatka')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, EMAIL) "
    "values (8, 2, 3, 'Żaneta', 'Wiśniewska', 'zw@beta.pl')",
    "set generator GEN_FIRMY_ID to 20",
    "set generator GEN_DZIALY_ID to 30",
    "set generator GEN_PERSONEL_ID to 40",
};

// Made before the first input. Let go at exit ahead of the Firebird client's own clean-up,
// which was set up while the file was made, so that its temporary folder goes too.
std::unique_ptr<testsupport::TestDatabase> database;

qint64 staffCount(db::Database& db)
{
    db::Statement count(db, QStringLiteral("select count(*) from PERSONEL"));
    std::vector<db::Values> rows;
    count.execute({}, &rows);
    return rows.at(0).at(0).toLongLong();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    database = std::make_unique<testsupport::TestDatabase>();
    database->run(kRows);
    std::atexit([] { database.reset(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    db::Database& db = database->db();
    const QByteArray file = QByteArray(personnelcsv::Header) + "\r\n" +
                            QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
    const qint64 before = staffCount(db);
    const personnelcsv::ImportReport report = personnelcsv::importStaff(db, file);
    const auto lines = qsizetype(personnelcsv::splitLines(file).size());
    const qsizetype read = report.stoppedAtLine > 0 ? report.stoppedAtLine - 1 : lines - 1;
    if (!report.headerMatched || report.added + report.updated + report.errors != read ||
        report.log.count("\r\n") != read + 1)
        std::abort();
    if (staffCount(db) != before + report.added)
        std::abort();
    db.transaction().rollbackRetaining();
    return 0;
}
