#pragma once
// Conventions of the records that several windows share.
namespace db {

class DataSet;

// Adds the calculated employee name "_nazwisko_imie": NAZWISKO, one blank, IMIE
// (a null part counts as empty text, so the blank is always there).
void addSurnameFirstName(DataSet& staff);

}  // namespace db
