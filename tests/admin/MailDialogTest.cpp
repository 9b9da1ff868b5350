// The mail window: what it refuses to store, and the outbox's messages sent again or dropped, a
// message another desk dropped meanwhile refused in Polish.
#include "admin/MailDialog.h"
#include "desk/MailSetup.h"
#include "support/AccessibleNames.h"
#include "support/MailWindow.h"
#include "support/Screenshot.h"
#include "support/TestDatabase.h"
#include "support/TestDesk.h"
#include "support/testmain.h"

#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using testsupport::child;

namespace {

struct Window {
    testsupport::TestDatabase database;
    testsupport::TestDesk desk{database.db()};
    MailDialog dialog{desk};

    ~Window() { desk.setClosingWindows(true), dialog.close(); }
    template <class T = QWidget>
    T* control(const char* name)
    {
        return child<T>(&dialog, name);
    }
    void click(const char* name) { control<QPushButton>(name)->click(); }
    QString lastShown() { return desk.answers.shown.last().text; }
    QTableWidget* outbox() { return control<QTableWidget>("outboxTable"); }
    QString cell(int row, int column) { return outbox()->item(row, column)->text(); }
    void drop(int row)
    {
        outbox()->selectRow(row);
        desk.answers.answers.enqueue(true);
        click("dropButton");
    }
};

mail::MailSettings typical()
{
    mail::MailSettings settings{"poczta.tervik.pl", 587,     mail::Security::StartTls,
                                "recepcja",         "tajne", "recepcja@tervik.pl",
                                "Recepcja Tervik"};
    settings.wardens = {"jan.kowalski@tervik.pl", "ewa.nowak@tervik.pl"};
    settings.notifyAutomatically = true;
    return settings;
}

}  // namespace

class MailDialogTest : public QObject {
    Q_OBJECT
private slots:
    void whatIsNotAnAddressOrAPortIsRefusedAtItsField_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("said");
        const auto row = [](const char* name, const char* field, const char* typed,
                            const char* said) {
            QTest::newRow(name) << QString(field) << QString(typed) << QString(said);
        };
        row("port 0", "portEdit", "0", "Port serwera poczty to liczba od 1 do 65535.");
        row("no sender", "senderAddressEdit", "", "Podaj adres nadawcy wiadomości.");
        row("sender without @", "senderAddressEdit", "recepcja.tervik.pl",
            "Adres nadawcy \"recepcja.tervik.pl\" nie jest poprawnym adresem e-mail.");
        row("a warden among good ones", "wardensEdit",
            "jan@tervik.pl; ewa(at)tervik.pl\nola@tervik.pl",
            "Adres koordynatora ewakuacji \"ewa(at)tervik.pl\" nie jest poprawnym adresem e-mail.");
    }
    void whatIsNotAnAddressOrAPortIsRefusedAtItsField()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, said);
        Window w;
        w.dialog.open();
        testsupport::typeMailSettings(&w.dialog, typical());
        if (auto* box = qobject_cast<QLineEdit*>(w.control(qPrintable(field))))
            box->setText(typed);
        else
            w.control<QPlainTextEdit>(qPrintable(field))->setPlainText(typed);
        w.click("okButton");
        QVERIFY(w.dialog.isVisible());
        QCOMPARE(w.lastShown(), said);
        QCOMPARE(w.dialog.focusWidget()->objectName(), field);
        QVERIFY(w.desk.settingsValues.isEmpty());
        w.click("cancelButton");  // what was typed is not dropped unasked
        QCOMPARE(w.lastShown(), QString("Na pewno anulować wprowadzone zmiany?"));
        QVERIFY(w.dialog.isVisible());
    }

    void theOutboxIsSentAgainOrDroppedAndAMessageGoneMeanwhileIsRefused()
    {
        Window w;
        w.database.run(
            {"insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, ADRESAT, TEMAT, STAN, PROBY, "
             "ODPOWIEDZ) values (1, '2026-03-05 10:31', 1, 'jan@firma.pl', 'Gość w recepcji: "
             "Adamski Jan', 2, 1, 'Serwer poczty odrzucił wiadomość (550 5.1.1 No such user)')",
             "insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, ADRESAT, TEMAT, STAN, WYSYLA) values "
             "(2, '2026-03-05 10:40', 2, 'ewa@firma.pl', 'Lista ewakuacyjna', 1, 'recepcja-2')",
             "insert into POCZTA (ID, DTUTWORZENIA, RODZAJ, ADRESAT, TEMAT) values "
             "(3, '2026-03-05 10:45', 3, 'ola@firma.pl', 'Próba')"});
        desk::storeMailSettings(w.desk, typical());
        w.dialog.open();
        QVERIFY(testsupport::saveScreenshot(w.dialog, "poczta.png"));
        QCOMPARE(testsupport::unnamedControls(w.dialog), QStringList());
        QCOMPARE(w.cell(0, 4), QString("nieudana"));
        QCOMPARE(w.cell(1, 4), QString("wysyłana (recepcja-2)"));
        QCOMPARE(w.cell(0, 7),
                 QString("Serwer poczty odrzucił wiadomość (550 5.1.1 No such user)"));

        w.click("sendAgainButton");  // the first row
        QCOMPARE(w.database.scalar("select STAN from POCZTA where ID = 1").toInt(), 0);
        QCOMPARE(w.cell(0, 4), QString("czeka"));

        // Another desk drops the third message; the window still lists it.
        auto other = w.database.connect();
        other->execute("delete from POCZTA where ID = 3");
        other->transaction().commit();
        w.drop(2);
        QCOMPARE(w.lastShown(), QString("Tej wiadomości nie ma już w poczcie do wysłania: została "
                                        "wysłana albo usunięta na innym stanowisku."));
        QCOMPARE(w.outbox()->rowCount(), 2);
        w.drop(0);
        QCOMPARE(w.database.scalar("select list(ID) from POCZTA").toString(), QString("2"));
    }
};

HALVANE_TEST(MailDialogTest);
#include "MailDialogTest.moc"
