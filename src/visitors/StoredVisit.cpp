#include "visitors/StoredVisit.h"

#include "db/DataSet.h"
#include "desk/Desk.h"
#include "visitors/VisitDialog.h"

namespace {

constexpr auto SelectVisit = R"(select *
from WIZYTY
where
  ID = :ID)";
constexpr auto InsertVisit = R"(insert into WIZYTY
  (ID, FIRMA_ID, DZIAL_ID, GOSC_ID, GOSC_NAZWA, GOSC_DOKUM, PERSON_ID, PERSON_NAZWA,
   DTPRZYBYCIA, DTWEJSCIA, DTWYJSCIA, IDENTYFIKATOR, NRKARTY, WIADOMOSC, DTODEBRWIADOM)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :GOSC_ID, :GOSC_NAZWA, :GOSC_DOKUM, :PERSON_ID, :PERSON_NAZWA,
   :DTPRZYBYCIA, :DTWEJSCIA, :DTWYJSCIA, :IDENTYFIKATOR, :NRKARTY, :WIADOMOSC, :DTODEBRWIADOM))";
constexpr auto UpdateVisit = R"(update WIZYTY
set
  ID = :ID,
  FIRMA_ID = :FIRMA_ID,
  DZIAL_ID = :DZIAL_ID,
  GOSC_ID = :GOSC_ID,
  GOSC_NAZWA = :GOSC_NAZWA,
  GOSC_DOKUM = :GOSC_DOKUM,
  PERSON_ID = :PERSON_ID,
  PERSON_NAZWA = :PERSON_NAZWA,
  DTPRZYBYCIA = :DTPRZYBYCIA,
  DTWEJSCIA = :DTWEJSCIA,
  DTWYJSCIA = :DTWYJSCIA,
  IDENTYFIKATOR = :IDENTYFIKATOR,
  NRKARTY = :NRKARTY,
  WIADOMOSC = :WIADOMOSC,
  DTODEBRWIADOM = :DTODEBRWIADOM
where
  ID = :OLD_ID)";
constexpr auto RefreshVisit = R"(Select 
  ID,
  FIRMA_ID,
  DZIAL_ID,
  GOSC_ID,
  GOSC_NAZWA,
  GOSC_DOKUM,
  PERSON_ID,
  PERSON_NAZWA,
  DTPRZYBYCIA,
  DTWEJSCIA,
  DTWYJSCIA,
  IDENTYFIKATOR,
  NRKARTY,
  WIADOMOSC,
  DTODEBRWIADOM
from WIZYTY 
where
  ID = :ID)";
// Visits are never deleted; the statement is there for completeness of the data set.
constexpr auto DeleteVisit = R"(delete from WIZYTY
where
  ID = :OLD_ID)";

}  // namespace

namespace visitors {

void setVisitStatements(db::DataSet& visits)
{
    visits.setInsertSql(QString::fromUtf8(InsertVisit));
    visits.setModifySql(QString::fromUtf8(UpdateVisit));
    visits.setDeleteSql(QString::fromUtf8(DeleteVisit));
    visits.setRefreshSql(QString::fromUtf8(RefreshVisit));
    visits.setGenerator(QStringLiteral("GEN_WIZYTY_ID"), QStringLiteral("ID"),
                        db::GeneratorApply::OnPost);
}

bool editStoredVisit(desk::Desk& desk, int visitId, QWidget* parent)
{
    db::DataSet visit(desk.database());
    visit.setObjectName(QStringLiteral("visit"));
    visit.setSelectSql(QString::fromUtf8(SelectVisit));
    setVisitStatements(visit);
    visit.setParam(QStringLiteral("ID"), visitId);
    visit.open();
    if (visit.isEmpty())
        return false;  // gone meanwhile: nothing to edit
    VisitDialog editor(visit, desk, parent);
    editor.setObjectName(QStringLiteral("visitDialog"));
    // Whatever way the editor ends, no half-edited row stays behind.
    bool stored = false;
    try {
        visit.edit();
        stored = editor.exec(VisitDialog::Mode::Edit) == QDialog::Accepted;
    } catch (...) {
        if (visit.editing())
            visit.cancel();
        throw;
    }
    if (visit.editing())
        visit.cancel();
    return stored;
}

}  // namespace visitors
