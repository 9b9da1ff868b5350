#pragma once
// The statements that store an employee row, shared by the personnel list and the CSV
// import, which both keep the staff table through the same data set rules.
namespace personnel {

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
