#pragma once
// A database as older programs made it: today's schema without the change-event triggers,
// the two later indexes of the visits, the erasures', the shared texts' and the outbox's tables
// (the outbox's index with it), the erasures' and the outbox's generators, and the invitations'
// and the watchlist's tables (the watchlist's trigger with it).
#include "support/TestDatabase.h"

namespace testsupport {

inline void makeOlder(TestDatabase& database)
{
    QStringList drops;
    for (const char* table : {"FIRMY", "DZIALY", "PERSONEL", "GOSCIE", "WIZYTY"})
        drops << QStringLiteral("drop trigger TR_%1_ZMIANY").arg(table);
    drops << "drop index IX_WIZYTY_GOSC_DTPRZYBYCIA"
          << "drop index IX_WIZYTY_DTWYJSCIA"
          << "drop table USUNIECIA"
          << "drop table USTAWIENIA"
          << "drop generator GEN_USUNIECIA_ID"
          << "drop table POCZTA"
          << "drop generator GEN_POCZTA_ID"
          << "drop table ZAPROSZENIA"
          << "drop trigger TR_ZAKAZY_WSTEPU_ZMIANY"
          << "drop table ZAKAZY_WSTEPU";
    database.run(drops);
    database.db().transaction().commit();  // what it dropped is no longer held
}

}  // namespace testsupport
