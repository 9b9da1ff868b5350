// The typed input box: OK only for a non-empty text, the currency key filter and check,
// and the value handed back exactly as typed.
#include "directory/TypedInputDialog.h"
#include "support/AnsweringPrompts.h"
#include "support/Typing.h"
#include "support/testmain.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

class InputBoxTest : public QObject {
    Q_OBJECT
private:
    testsupport::AnsweringPrompts prompts;

    void prepare(TypedInputDialog& box, const QString& type, const QString& value = {}, int max = 128)
    {
        box.setWindowTitle("Dodaj firmę");
        box.Label = "Nazwa firmy:";
        box.Wartosc = value;
        box.Typ = type;
        box.MaxDlugosc = max;
        box.show();
    }

private slots:
    void init() { prompts.clear(); }

    void okNeedsText()
    {
        TypedInputDialog box(prompts);
        prepare(box, "STRING", "Stara nazwa");
        QCOMPARE(box.Label1->text(), QString("Nazwa firmy:"));
        QCOMPARE(box.Edit1->text(), QString("Stara nazwa"));
        QCOMPARE(box.Edit1->selectedText(), QString("Stara nazwa"));
        QVERIFY(box.btnOK->isEnabled());
        box.Edit1->clear();
        QVERIFY(!box.btnOK->isEnabled());
        QTest::keyClick(box.Edit1, Qt::Key_Return);  // Enter does nothing on an empty text
        QVERIFY(box.isVisible());
        QCOMPARE(box.result(), 0);
        testsupport::type(box.Edit1, "Żółta Łąka");
        QVERIFY(box.btnOK->isEnabled());
        box.btnOK->click();
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(box.Wartosc, QString("Żółta Łąka"));
    }

    void cancelKeepsTheValue()
    {
        TypedInputDialog box(prompts);
        prepare(box, "STRING", "Początkowa");
        QTest::keyClicks(box.Edit1, "inna");
        box.btnAnuluj->click();
        QCOMPARE(box.result(), int(QDialog::Rejected));
        QCOMPARE(box.Wartosc, QString("Początkowa"));
    }

    void theLengthIsLimited()
    {
        TypedInputDialog box(prompts);
        prepare(box, "STRING", {}, 128);
        QTest::keyClicks(box.Edit1, QString(130, u'x'));
        QCOMPARE(box.Edit1->text().size(), 128);
        QCOMPARE(box.size(), QSize(385, 105));
    }

    void currencyTakesDigitsAndOneSeparator()
    {
        TypedInputDialog box(prompts);
        prepare(box, "CURRENCY");
        const QString separator = QLocale().decimalPoint();
        QCOMPARE(separator, QString(","));  // the program runs with Polish settings
        QTest::keyClicks(box.Edit1, "1a2,5,0x.-");
        QCOMPARE(box.Edit1->text(), QString("12,50"));
        QTest::keyClick(box.Edit1, Qt::Key_Backspace);
        QCOMPARE(box.Edit1->text(), QString("12,5"));
        box.btnOK->click();
        QCOMPARE(box.result(), int(QDialog::Accepted));
        QCOMPARE(box.Wartosc, QString("12,5"));  // as typed, not a normalised number
        QVERIFY(prompts.shown.isEmpty());
    }

    void currencyRefusesWhatIsNotAnAmount()
    {
        TypedInputDialog box(prompts);
        prepare(box, "CURRENCY", "5");
        box.Edit1->setText("-1");  // pasted: it reads as the error value
        box.btnOK->click();
        QVERIFY(box.isVisible());
        QCOMPARE(box.result(), 0);
        QCOMPARE(prompts.beeps, 1);
        QCOMPARE(prompts.messages(), QStringList({"Niepoprawna wartość: '-1'"}));
        QCOMPARE(box.Wartosc, QString("5"));
        box.Edit1->setText("12,3,4");
        box.btnOK->click();
        QCOMPARE(prompts.beeps, 2);
        QVERIFY(box.isVisible());
        box.Edit1->setText("7");
        box.btnOK->click();
        QCOMPARE(box.Wartosc, QString("7"));
        QCOMPARE(TypedInputDialog::JakoKwota("1,23456"), 1.2346);
        QCOMPARE(TypedInputDialog::JakoKwota("abc"), -1.0);
    }

    void anUnknownTypeComplainsOnEveryKeyButAccepts()
    {
        TypedInputDialog box(prompts);
        prepare(box, "DATA");
        QTest::keyClicks(box.Edit1, "ab");
        QCOMPARE(box.Edit1->text(), QString("ab"));
        QCOMPARE(prompts.messages(), QStringList({"Nieznany typ danych: 'DATA'", "Nieznany typ danych: 'DATA'"}));
        box.btnOK->click();
        QCOMPARE(box.Wartosc, QString("ab"));
    }
};

HALVANE_TEST(InputBoxTest);
#include "TypedInputDialogTest.moc"
