#pragma once
// What the building tells its guests about their personal data: the information clause.
// Its parts are texts every desk shares (USTAWIENIA, keys KLAUZULA_...), so every desk
// prints the same; the retention time is not stored with them but read from the settings
// that the removal of old data follows. Without widgets: the texts, their storing by one
// desk against another's, and the forms they are given in (the full clause for the notice
// board, the short one for the back of a pass, the part a guest's report carries).
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace db {
class Database;
}

namespace desk {

class Desk;

// Halvane.ini, section RODO: "1" prints the short clause on the back of every pass.
extern const QString ClauseOnPassKey;  // "KlauzulaNaPrzepustce"

struct InformationClause {
    QString controller;  // the data controller: name and address
    QString contact;     // how to reach the controller
    QString officer;     // the data protection officer's contact; empty: none appointed
    QString purposes;
    QString legalBasis;
    QString recipients;
    QString rights;
    QString source;
    int retentionMonths = 0;  // from the settings, never stored with the texts
    // Which stored state the texts were read from; empty when none was ever stored. A save
    // from an older state than the stored one is refused.
    QString revision;

    // The ready wordings, filled in where nothing is stored.
    static InformationClause defaults();
    // The controller and the contact are filled in: the clause can be given to guests.
    bool complete() const;

    // The title and the paragraphs of the full clause, for the notice board.
    QString title() const;
    QStringList paragraphs() const;
    // A few sentences for the back of a pass, pointing to the full clause.
    QString shortForm() const;
    // What a guest asking for their data is told beside it: each caption with its text.
    std::vector<std::pair<QString, QString>> accessPart() const;
};

// The stored clause (the ready wordings for parts never stored) with the retention time of
// the desk's settings; read in the desk's transaction.
InformationClause readInformationClause(Desk& desk);

// Stores the texts in the connection's transaction (the caller commits) and moves
// `clause.revision` on. Throws db::Error, with nothing written, when a text is longer than
// its column, or when another desk stored the clause since it was read (or stores it now).
void storeInformationClause(db::Database& database, InformationClause& clause);

// The back of a pass: the short form when the settings ask for it and the clause is
// complete, else empty.
QString passBackText(Desk& desk);

}  // namespace desk
