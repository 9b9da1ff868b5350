// Two desks on one server inviting the guest of one visit.
#include "db/Error.h"
#include "db/Statement.h"
#include "desk/Invitation.h"
#include "support/ServerDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QTest>

class InvitationTest : public QObject {
    Q_OBJECT
private slots:
    // The second desk is refused in Polish while the first one's code is not committed, and
    // gets that code once it is: a visit has one code, whoever sends its invitations.
    void twoDesksInvitingOneVisitAtOnceShareOneCode()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        auto firstConnection = testsupport::connectTo(server.name());
        auto secondConnection = testsupport::connectTo(server.name());
        testsupport::TestDesk first(*firstConnection), second(*secondConnection);
        firstConnection->execute(
            "insert into WIZYTY (ID, GOSC_NAZWA, PERSON_NAZWA, DTPRZYBYCIA) "
            "values (900, 'Gość', 'Pracownik', '2026-03-06 09:00')");
        QVERIFY(first.commitWork());
        desk::queueInvitation(first, 900, "pierwszy@przyklad.pl");
        QString refusal;
        try {
            desk::queueInvitation(second, 900, "drugi@przyklad.pl");
        } catch (const db::Error& error) {
            refusal = error.message();
        }
        QCOMPARE(refusal, QString("Inne stanowisko właśnie zaprasza gościa tej wizyty; spróbuj "
                                  "ponownie za chwilę."));
        second.rollbackWork();
        QVERIFY(first.commitWork());
        desk::queueInvitation(second, 900, "drugi@przyklad.pl");
        QVERIFY(second.commitWork());
        // What a third desk reads: the one code, in both messages.
        auto reader = testsupport::connectTo(server.name());
        const auto scalar = [&reader](const QString& sql) {
            std::vector<db::Values> rows;
            db::Statement(*reader, sql).execute([](const QString&) { return QVariant(); }, &rows);
            return rows.at(0).at(0);
        };
        const QString code =
            scalar("select list(KOD) from ZAPROSZENIA where WIZYTA_ID = 900").toString();
        QCOMPARE(code.size(), 8);
        QCOMPARE(scalar("select count(*) from POCZTA where RODZAJ = 4 and WIZYTA_ID = 900 and "
                        "TRESC containing 'Kod zaproszenia: " +
                        code + "'")
                     .toInt(),
                 2);
    }
};

HALVANE_TEST(InvitationTest);
#include "InvitationTest.moc"
