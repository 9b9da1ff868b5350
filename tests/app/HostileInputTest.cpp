// Texts a receptionist could type that mean something to SQL, to LIKE or to the code page
// (quotes, wildcards, the escape character, a comment, a very long text, characters
// Windows-1250 has not), typed into every box of every window whose text reaches a
// statement: stored as typed and cut to the column, or refused with the program's own
// message; found literally by the searches; never an error of the server.
#include "db/DataSet.h"
#include "support/AppFixture.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/testmain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringEncoder>
#include <QTabWidget>
#include <QTest>

using testsupport::AppFixture;
using testsupport::child;

namespace {

// Employees the searches must tell apart: one name each with an apostrophe, a wildcard,
// the escape character and Polish letters.
const QStringList kRows = {
    "insert into FIRMY (ID, NAZWA) values (1, 'Alfa')",
    "insert into DZIALY (ID, FIRMA_ID, POPID, KOLEJ, NAZWA) values (1, 1, 0, 0, 'Kadry')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (1, 1, 1, 'Nowak', 'Jan', 'Kadrowy')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (2, 1, 1, 'O''Neil', 'Anna', 'Zysk 100%')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (3, 1, 1, 'Pod_kreślnik', 'Ewa', 'C:\\dane;--')",
    "insert into PERSONEL (ID, FIRMA_ID, DZIAL_ID, NAZWISKO, IMIE, STANOWISKO) "
    "values (4, 1, 1, 'Zażółć', 'Gęśla', 'Jaźń')",
    "insert into GOSCIE (ID, NAZWA, DOKUM) values (1, 'Kowalski Jan', 'dowód 100%')",
    "set generator GEN_FIRMY_ID to 1",
    "set generator GEN_DZIALY_ID to 1",
    "insert into WIZYTY (ID, GOSC_ID, GOSC_NAZWA, PERSON_ID, IDENTYFIKATOR, DTPRZYBYCIA) "
    "values (1, 1, 'Kowalski Jan', 1, 'K-1', current_timestamp)",
    "set generator GEN_PERSONEL_ID to 100",
    "set generator GEN_GOSCIE_ID to 100",
    "set generator GEN_WIZYTY_ID to 1",
};

// What the server says when a statement fails; none may reach the receptionist.
const QStringList kEngineTexts = {"SQL error",
                                  "Dynamic SQL Error",
                                  "Token unknown",
                                  "arithmetic exception",
                                  "string right truncation",
                                  "Cannot transliterate",
                                  "conversion error",
                                  "SQLCODE"};

// The program's refusal of a character outside the connection's code page.
const QRegularExpression kRefusal(
    QStringLiteral("^Znak „.+” w (polu |parametrze :)\\w+ nie mieści się w stronie kodowej "
                   "\\S+\\.$"));

bool encodable(const QString& text)
{
    QStringEncoder encoder("windows-1250");
    const QByteArray bytes = encoder.encode(text);
    Q_UNUSED(bytes);
    return !encoder.hasError();
}

// Sends the text key by key, a character beyond 16 bits as one key; a long text comes a
// hundred characters a key, as an input method hands over what was dictated or pasted.
void type(QWidget* box, const QString& text)
{
    const qsizetype step = text.size() > 100 ? 100 : 1;
    for (qsizetype i = 0; i < text.size();) {
        qsizetype length = qMin(step, text.size() - i);
        if (text[i + length - 1].isHighSurrogate() && i + length < text.size())
            ++length;
        const QString key = text.mid(i, length);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, key);
        QApplication::sendEvent(box, &release);
        i += length;
    }
}

// Goes into the box, as a click would (leaving the box before hands its text on), and
// types over what it holds.
void typeInto(QWidget* window, const QString& name, const QString& text)
{
    QApplication::setActiveWindow(window);
    if (!QTest::qWaitForWindowActive(window))
        qWarning("%s is not active", qPrintable(window->objectName()));
    auto* box = child<QWidget>(window, name);
    box->setFocus();
    if (auto* line = qobject_cast<QLineEdit*>(box))
        line->selectAll();
    type(box, text);
}

void click(QWidget* window, const QString& name)
{
    child<QPushButton>(window, name)->click();
}

// OK; when the window stays open (it refused what was typed), Cancel.
void okOrCancel(QWidget* window)
{
    click(window, "okButton");
    if (window->isVisible())
        click(window, "cancelButton");
}

// Runs `act` on the window that `open` brings up over `over`; false when none came.
bool inWindow(QWidget* over, const std::function<void()>& open,
              const std::function<void(QWidget*)>& act)
{
    testsupport::ModalAction action(act, over, 20000);
    open();
    return action.acted() && !action.timedOut();
}

// The rows of a query on a connection of its own, the columns joined by "|".
QStringList rows(AppFixture& app, const QString& sql)
{
    auto connection = app.database()->connect();
    db::DataSet set(*connection);
    set.setSelectSql(sql);
    set.open();
    QStringList found;
    for (set.first(); !set.eof(); set.next()) {
        QStringList values;
        for (const auto& field : set.fields())
            values << (field->isNull() ? QStringLiteral("<null>") : field->asString());
        found << values.join(u'|');
    }
    return found;
}

}  // namespace

class HostileInputTest : public QObject {
    Q_OBJECT
private slots:
    void hostileTextIsStoredLiterallyAndFoundLiterallyInEveryWindow_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("apostrophe") << "'";
        QTest::newRow("always true") << "' or '1'='1";
        QTest::newRow("percent") << "%";
        QTest::newRow("underscore") << "_";
        QTest::newRow("backslash") << "\\";
        QTest::newRow("comment") << ";--";
        QTest::newRow("10,000 characters") << QString("Łódź ").repeated(2000);
        QTest::newRow("outside Windows-1250") << "Ж€😀中";
        QTest::newRow("Polish letters") << "ZAŻÓŁĆ gęślą jaźń";
    }
    void hostileTextIsStoredLiterallyAndFoundLiterallyInEveryWindow()
    {
        QFETCH(QString, text);
        AppFixture app(false);
        app.database()->run(kRows);
        QVERIFY(app.start());
        MainWindow* main = app.form.get();
        const bool storable = encodable(text);
        for (int i = 0; i < 4; ++i)
            app.prompts.answers.enqueue(true);  // "cancel the changes?"

        // The companies editor: a company through the typed input box, a department.
        QVERIFY(inWindow(
            main, [&] { testsupport::trigger(main, "companiesAction"); },
            [&](QWidget* editor) {
                inWindow(
                    editor, [&] { testsupport::trigger(editor, "addCompanyAction"); },
                    [&](QWidget* box) {
                        typeInto(box, "valueEdit", text);
                        okOrCancel(box);
                    });
                inWindow(
                    editor, [&] { testsupport::trigger(editor, "addDepartmentAction"); },
                    [&](QWidget* dialog) {
                        typeInto(dialog, "nameEdit", text);
                        typeInto(dialog, "locationEdit", text);
                        okOrCancel(dialog);
                    });
                click(editor, "okButton");
            }));

        // The personnel list: an employee with the text in every box.
        main->goTo(1, 1, 1);
        QVERIFY(inWindow(
            main, [&] { testsupport::trigger(main, "personnelAction"); },
            [&](QWidget* list) {
                inWindow(
                    list, [&] { testsupport::trigger(list, "addAction"); },
                    [&](QWidget* dialog) {
                        for (const char* box :
                             {"surnameEdit", "firstNameEdit", "positionEdit", "floorEdit",
                              "roomEdit", "landlineEdit", "mobileEdit", "emailEdit", "notesEdit"})
                            typeInto(dialog, box, text);
                        okOrCancel(dialog);
                    });
                okOrCancel(list);
            }));

        // The notes of employee 1 in the employee information.
        main->goTo(1, 1, 1);
        QVERIFY(inWindow(
            main, [&] { testsupport::trigger(main, "infoAction"); },
            [&](QWidget* info) {
                typeInto(info, "notesEdit", text);
                okOrCancel(info);
            }));

        // The employee search, each text criterion alone, anywhere in the field: exactly
        // the employees whose field holds what the box took of the text.
        const QStringList staff = rows(app,
                                       "select P.ID, P.NAZWISKO, P.IMIE, P.STANOWISKO from "
                                       "PERSONEL P join DZIALY D on D.ID = P.DZIAL_ID");
        const char* criteria[] = {"surnameEdit", "firstNameEdit", "positionEdit"};
        for (int c = 0; c < 3; ++c) {
            QString typed;
            QStringList found;
            QVERIFY(inWindow(
                main, [&] { testsupport::trigger(main, "searchAction"); },
                [&](QWidget* search) {
                    child<QRadioButton>(search, "anywhereButton")->click();
                    typeInto(search, criteria[c], text);
                    typed = child<QLineEdit>(search, criteria[c])->text();
                    QTest::keyClick(child<QWidget>(search, criteria[c]), Qt::Key_Return);
                    auto* results = child<db::DataSet>(search, "results");
                    if (results->active())
                        for (results->first(); !results->eof(); results->next())
                            found << results->field("ID").asString();
                    click(search, "cancelButton");
                }));
            QVERIFY(!typed.isEmpty() && text.startsWith(typed));
            QStringList expected;
            for (const QString& row : staff)
                if (row.section(u'|', c + 1, c + 1).contains(typed, Qt::CaseInsensitive))
                    expected << row.section(u'|', 0, 0);
            found.sort();
            expected.sort();
            QCOMPARE(found, expected);
        }

        // The guest registry: a guest with the text in every box, then searched for.
        QVERIFY(inWindow(
            main, [&] { testsupport::trigger(main, "guestsAction"); },
            [&](QWidget* list) {
                inWindow(
                    list, [&] { testsupport::trigger(list, "addAction"); },
                    [&](QWidget* dialog) {
                        for (const char* box : {"nameEdit", "documentEdit", "infoEdit"})
                            typeInto(dialog, box, text);
                        okOrCancel(dialog);
                    });
                db::DataSet& guests = *child<db::DataSet>(list, "guests");
                QVERIFY(guests.locate("ID", 1, 0));
                typeInto(list, "searchEdit", text);
                // The new guest's name begins with the text; the other guest's never.
                if (text.size() <= 100)
                    QCOMPARE(guests.field("NAZWA").asString(),
                             storable ? text : QString("Kowalski Jan"));
                click(list, "cancelButton");
            }));

        // The visits register: a visit of guest 1 with the text in every text box, then
        // searched for by its badge.
        main->goTo(1, 1, 1);
        QVERIFY(inWindow(
            main, [&] { testsupport::trigger(main, "visitsAction"); },
            [&](QWidget* visitsRegister) {
                // The guest list comes first, over the editor: guest 1.
                testsupport::ModalScript script(
                    {{"GuestsDialog",
                      [](QDialog* guests) {
                          QVERIFY(child<db::DataSet>(guests, "guests")->locate("ID", 1, 0));
                          click(guests, "okButton");
                      }},
                     {"VisitDialog", [&](QDialog* editor) {
                          // Once the guest is chosen and both numbers looked up.
                          QTRY_COMPARE(child<QLabel>(editor, "employeeNameText")->text(),
                                       QString("Nowak Jan"));
                          QTRY_COMPARE(child<QLabel>(editor, "guestNameText")->text(),
                                       QString("Kowalski Jan"));
                          // The badge and the card come with the entry.
                          child<QCheckBox>(editor, "entryCheck")->click();
                          for (const char* box : {"badgeEdit", "cardEdit"})
                              typeInto(editor, box, text);
                          child<QTabWidget>(editor, "pages")->setCurrentIndex(1);
                          typeInto(editor, "messageEdit", text);
                          okOrCancel(editor);
                      }}});
                testsupport::trigger(visitsRegister, "addAction");
                QVERIFY(script.finished());
                db::DataSet& visits = *child<db::DataSet>(visitsRegister, "visits");
                QVERIFY(visits.locate("ID", 1, 0));
                child<QComboBox>(visitsRegister, "searchColumnBox")
                    ->setCurrentText("Identyfikator");
                typeInto(visitsRegister, "searchEdit", text);
                if (text.size() <= 64)
                    QCOMPARE(visits.field("IDENTYFIKATOR").asString(),
                             storable ? text : QString("K-1"));
                click(visitsRegister, "closeButton");
            }));

        // What the database holds: the text cut to each column, or nothing of it.
        const auto cut = [&](int width) {
            return storable ? QStringList{text.left(width)} : QStringList{};
        };
        const auto joined = [&](std::initializer_list<int> widths) {
            QStringList parts;
            for (int width : widths)
                parts << text.left(width);
            return storable ? QStringList{parts.join(u'|')} : QStringList{};
        };
        QCOMPARE(rows(app, "select NAZWA from FIRMY where ID <> 1"), cut(128));
        QCOMPARE(rows(app, "select NAZWA, LOKALIZACJA from DZIALY where ID <> 1"),
                 joined({64, 64}));
        QCOMPARE(rows(app,
                      "select NAZWISKO, IMIE, STANOWISKO, PIETRO, POKOJ, TELSTACJ, TELKOM, "
                      "EMAIL, INFO from PERSONEL where ID > 100"),
                 joined({64, 32, 64, 16, 16, 64, 64, 64, 1024}));
        QCOMPARE(rows(app, "select INFO from PERSONEL where ID = 1 and INFO is not null"),
                 cut(1024));
        QCOMPARE(rows(app, "select NAZWA, DOKUM, INFO from GOSCIE where ID > 100"),
                 joined({100, 64, 1024}));
        QCOMPARE(rows(app, "select IDENTYFIKATOR, NRKARTY, WIADOMOSC from WIZYTY where ID > 1"),
                 joined({64, 64, 1024}));

        // Every message is the program's own: a refusal only of what cannot be stored.
        for (const QString& message : app.prompts.messages()) {
            for (const QString& engine : kEngineTexts)
                QVERIFY2(!message.contains(engine, Qt::CaseInsensitive), qPrintable(message));
            QVERIFY2(!storable && kRefusal.match(message).hasMatch(), qPrintable(message));
        }
        QCOMPARE(app.prompts.messages().isEmpty(), storable);
    }
};

HALVANE_TEST(HostileInputTest);
#include "HostileInputTest.moc"
