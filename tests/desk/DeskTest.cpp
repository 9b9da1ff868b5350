// Ending a unit of work in the shared transaction, as every window does.
#include "db/DataSet.h"
#include "db/Error.h"
#include "desk/Invitation.h"
#include "desk/VisitCodes.h"
#include "mail/Outbox.h"
#include "support/ServerDatabase.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QTest>

using testsupport::TestDatabase;
using testsupport::TestDesk;

namespace {

void addCompany(db::DataSet& set, const QString& name)
{
    set.append();
    set.field("NAZWA").setAsString(name);
    set.post();
}

}  // namespace

class DeskTest : public QObject {
    Q_OBJECT
private slots:
    void commitWorkReportsAFailedCommitAndGoesOn()
    {
        TestDatabase t;
        TestDesk desk(t.db());
        testsupport::AnsweringPrompts& prompts = desk.answers;
        db::DataSet companies(t.db());
        companies.setSelectSql("select * from FIRMY order by ID");
        companies.setInsertSql("insert into FIRMY (ID, NAZWA) values (:ID, :NAZWA)");
        companies.setGenerator("GEN_FIRMY_ID", "ID", db::GeneratorApply::OnPost);
        db::DataSet* set = &companies;
        set->open();
        addCompany(*set, "Firma");
        QVERIFY(desk.commitWork());
        QVERIFY(prompts.shown.isEmpty());
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 1);

        // With nothing started there is nothing to commit and nothing to report.
        auto other = t.connect();
        TestDesk otherDesk(*other);
        otherDesk.commitWork();
        QVERIFY(otherDesk.answers.shown.isEmpty());
        QVERIFY(prompts.shown.isEmpty());

        // A unique index over duplicates is built, and refused, at commit time.
        addCompany(*set, "Firma");
        t.db().execute("create unique index UX_FIRMY_NAZWA on FIRMY (NAZWA)");
        QVERIFY(!desk.commitWork());
        QCOMPARE(prompts.shown.size(), 1);
        QVERIFY(prompts.shown[0].text.startsWith("Błąd zatwierdzenia danych:\n"));
        QVERIFY2(prompts.shown[0].text.contains("duplicate", Qt::CaseInsensitive),
                 qPrintable(prompts.shown[0].text));
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 1);  // rolled back
        // The transaction goes on after the failed commit.
        addCompany(*set, "Inna");
        desk.commitWork();
        QCOMPARE(prompts.shown.size(), 1);
        QCOMPARE(t.scalar("select count(*) from FIRMY").toInt(), 2);
    }

    // The second is refused in Polish until the first commits; then both send the one code.
    void twoDesksInvitingOneVisitAtOnceShareOneCode()
    {
        REQUIRE_FIREBIRD_SERVER();
        testsupport::ServerDatabase server;
        auto connection1 = testsupport::connectTo(server.name()),
             connection2 = testsupport::connectTo(server.name());
        testsupport::TestDesk first(*connection1), second(*connection2);
        // The demo's visit 3 is expected at 10:40 today.
        first.fixedClock.time = second.fixedClock.time =
            QDateTime(QDate::currentDate(), QTime(0, 0));
        desk::queueInvitation(first, 3, "pierwszy@przyklad.pl");
        QString refusal;
        try {
            desk::queueInvitation(second, 3, "drugi@przyklad.pl");
        } catch (const db::Error& error) {
            refusal = error.message();
        }
        QVERIFY2(refusal.startsWith("Inne stanowisko właśnie zaprasza gościa"),
                 qPrintable(refusal));
        second.rollbackWork();
        QVERIFY(first.commitWork());
        desk::queueInvitation(second, 3, "drugi@przyklad.pl");
        QVERIFY(second.commitWork());
        QCOMPARE(desk::invitationCode(second, 3), desk::invitationCode(first, 3));
        QCOMPARE(mail::outboxEntries(*connection2).size(), size_t(2));
    }
};

HALVANE_TEST(DeskTest);
#include "DeskTest.moc"
