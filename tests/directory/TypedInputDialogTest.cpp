// The typed input box: OK only for a non-empty text, the amount key filter and check,
// and the value handed back exactly as typed.
#include "support/AccessibleNames.h"
#include "directory/TypedInputDialog.h"
#include "support/AnsweringPrompts.h"
#include "support/Find.h"
#include "support/Modal.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using testsupport::child;

namespace {

struct Box {
    testsupport::AnsweringPrompts prompts;
    TypedInputDialog box{prompts};
    QLineEdit* edit = child<QLineEdit>(&box, "valueEdit");
    QPushButton* ok = child<QPushButton>(&box, "okButton");

    explicit Box(desk::ValueType type, const QString& value = {}, int maxLength = 128)
    {
        box.open({"Dodaj firmę", "Nazwa firmy:", value, type, maxLength});
    }
    ~Box()
    {
        if (box.isVisible())
            box.reject();
    }
};

}  // namespace

class TypedInputDialogTest : public QObject {
    Q_OBJECT
private slots:
    void okNeedsText()
    {
        Box b(desk::ValueType::Text, "Stara nazwa");
        QCOMPARE(b.box.windowTitle(), QString("Dodaj firmę"));
        QCOMPARE(child<QLabel>(&b.box, "promptLabel")->text(), QString("Nazwa firmy:"));
        QCOMPARE(b.edit->text(), QString("Stara nazwa"));
        QCOMPARE(b.edit->selectedText(), QString("Stara nazwa"));
        QVERIFY(b.ok->isEnabled());
        QTest::keyClick(b.edit, Qt::Key_Delete);
        QVERIFY(!b.ok->isEnabled());
        QTest::keyClick(b.edit, Qt::Key_Return);  // Enter does nothing on an empty text
        QVERIFY(b.box.isVisible());
        QCOMPARE(b.box.result(), 0);
        testsupport::type(b.edit, "Żółta Łąka");
        QVERIFY(b.ok->isEnabled());
        QTest::keyClick(b.edit, Qt::Key_Return);
        QCOMPARE(b.box.result(), int(QDialog::Accepted));
        QCOMPARE(b.box.value(), QString("Żółta Łąka"));
    }

    void cancelKeepsTheValue()
    {
        Box b(desk::ValueType::Text, "Początkowa");
        QTest::keyClicks(b.edit, "inna");
        child<QPushButton>(&b.box, "cancelButton")->click();
        QCOMPARE(b.box.result(), int(QDialog::Rejected));
        QCOMPARE(b.box.value(), QString("Początkowa"));
    }

    void askWaitsAndGivesBackTheText()
    {
        testsupport::AnsweringPrompts prompts;
        TypedInputDialog box(prompts);
        {
            testsupport::ModalAction answer([](QWidget* w) {
                testsupport::type(child<QLineEdit>(w, "valueEdit"), "Łąka");
                child<QPushButton>(w, "okButton")->click();
            });
            QCOMPARE(box.ask({"Dodaj firmę", "Nazwa firmy:", {}, desk::ValueType::Text, 128}),
                     std::optional<QString>("Łąka"));
        }
        testsupport::ModalAction cancel(
            [](QWidget* w) { QTest::keyClick(child<QLineEdit>(w, "valueEdit"), Qt::Key_Escape); });
        QCOMPARE(
            box.ask({"Edycja firmy firmę", "Nazwa firmy:", "Łąka", desk::ValueType::Text, 128}),
            std::optional<QString>());
    }

    void theLengthIsLimited()
    {
        Box b(desk::ValueType::Text, {}, 128);
        QTest::keyClicks(b.edit, QString(130, u'x'));
        QCOMPARE(b.edit->text().size(), 128);
        QCOMPARE(b.box.size(), QSize(385, 105));
    }

    void currencyTakesDigitsAndOneSeparator()
    {
        Box b(desk::ValueType::Currency);
        QCOMPARE(QLocale().decimalPoint(), QString(","));  // the program runs with Polish settings
        QTest::keyClicks(b.edit, "1a2,5,0x.-");
        QCOMPARE(b.edit->text(), QString("12,50"));
        QTest::keyClick(b.edit, Qt::Key_Backspace);
        QCOMPARE(b.edit->text(), QString("12,5"));
        b.ok->click();
        QCOMPARE(b.box.result(), int(QDialog::Accepted));
        QCOMPARE(b.box.value(), QString("12,5"));  // as typed, not a normalised number
        QVERIFY(b.prompts.shown.isEmpty());
    }

    void currencyRefusesWhatIsNotAnAmount()
    {
        Box b(desk::ValueType::Currency, "5");
        b.edit->setText("-1");  // pasted: it reads as the error value
        b.ok->click();
        QVERIFY(b.box.isVisible());
        QCOMPARE(b.box.result(), 0);
        QCOMPARE(b.prompts.beeps, 1);
        QCOMPARE(b.prompts.messages(), QStringList({"Niepoprawna wartość: '-1'"}));
        QCOMPARE(b.box.value(), QString("5"));
        b.edit->setText("12,3,4");
        b.ok->click();
        QCOMPARE(b.prompts.beeps, 2);
        QVERIFY(b.box.isVisible());
        b.edit->setText("7");
        b.ok->click();
        QCOMPARE(b.box.value(), QString("7"));
        QCOMPARE(TypedInputDialog::amountOf("1,23456"), 1.2346);
        QCOMPARE(TypedInputDialog::amountOf("abc"), -1.0);
    }

    void theTypeOfOneAskingDoesNotCarryToTheNext()
    {
        Box b(desk::ValueType::Currency);
        QTest::keyClicks(b.edit, "ab1");
        QCOMPARE(b.edit->text(), QString("1"));
        b.box.reject();
        b.box.open({"Dodaj firmę", "Nazwa firmy:", {}, desk::ValueType::Text, 128});
        QTest::keyClicks(b.edit, "ab1");
        QCOMPARE(b.edit->text(), QString("ab1"));
        b.ok->click();
        QCOMPARE(b.box.value(), QString("ab1"));
        QVERIFY(b.prompts.shown.isEmpty());
    }

    void currencyRefusesWhatCannotBeTyped_data()
    {
        QTest::addColumn<QString>("pasted");
        QTest::newRow("exponent") << "1e5";
        QTest::newRow("minus") << "-5";
        QTest::newRow("plus") << "+5";
        QTest::newRow("thousands") << "1 000";
        QTest::newRow("separator only") << ",";
    }
    void currencyRefusesWhatCannotBeTyped()
    {
        QFETCH(QString, pasted);
        Box b(desk::ValueType::Currency);
        QGuiApplication::clipboard()->setText(pasted);
        QTest::keyClick(b.edit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(b.edit->text(), pasted);
        b.ok->click();
        QVERIFY(b.box.isVisible());
        QCOMPARE(b.prompts.beeps, 1);
        QCOMPARE(b.prompts.messages(), QStringList({"Niepoprawna wartość: '" + pasted + "'"}));
    }

    void everyControlOfTheBoxHasAName()
    {
        Box b(desk::ValueType::Text, "Łąka");
        QStringList names;
        QCOMPARE(testsupport::unnamedControls(b.box, &names), QStringList());
        QCOMPARE(names, QStringList({"Nazwa firmy:", "OK", "Anuluj"}));
    }
};

HALVANE_TEST(TypedInputDialogTest);
#include "TypedInputDialogTest.moc"
