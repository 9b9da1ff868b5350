#pragma once
// The statements that store an employee row from the personnel list (the CSV import writes
// the same columns in blocks of lines of its own, and leaves INFO as it is on an update);
// and the list of a company's employees of no department, shared with the main window.
namespace personnel {

// Department 0 lists the employees of the company that no department of it holds: those of
// no department, and those whose department was deleted, so that each is listed somewhere
// (and can be moved from there).
inline constexpr auto SelectStaffOfNoDepartment = R"(select *
from PERSONEL P
where
  P.FIRMA_ID = :firma_id
  and
  not exists (select 1 from DZIALY D where D.ID = P.DZIAL_ID and D.FIRMA_ID = P.FIRMA_ID)
order by P.ID)";

inline constexpr auto InsertEmployee = R"(insert into PERSONEL
  (ID, FIRMA_ID, DZIAL_ID, IMIE, NAZWISKO, STANOWISKO, PIETRO, POKOJ, TELSTACJ, 
   TELKOM, EMAIL, INFO)
values
  (:ID, :FIRMA_ID, :DZIAL_ID, :IMIE, :NAZWISKO, :STANOWISKO, :PIETRO, :POKOJ, 
   :TELSTACJ, :TELKOM, :EMAIL, :INFO))";

inline constexpr auto UpdateEmployee = R"(update PERSONEL
set
  ID = :ID,
  FIRMA_ID = :FIRMA_ID,
  DZIAL_ID = :DZIAL_ID,
  IMIE = :IMIE,
  NAZWISKO = :NAZWISKO,
  STANOWISKO = :STANOWISKO,
  PIETRO = :PIETRO,
  POKOJ = :POKOJ,
  TELSTACJ = :TELSTACJ,
  TELKOM = :TELKOM,
  EMAIL = :EMAIL,
  INFO = :INFO
where
  ID = :OLD_ID)";

}  // namespace personnel
