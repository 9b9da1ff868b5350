// What Qt draws for the program itself speaks Polish once the program has loaded Qt's
// translations: the file dialog, a text box's context menu; the program's own questions
// keep the answers it gives them.
#include "app/QtTranslations.h"
#include "controls/Prompts.h"
#include "support/Modal.h"
#include "support/testmain.h"

#include <QAbstractButton>
#include <QApplication>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

namespace {

// A caption as the user reads it: no mnemonic marks, no shortcut after a tab.
QString shown(QString text)
{
    text = text.section(u'\t', 0, 0);
    text.remove(u'&');
    return text;
}

template <typename Widget, typename Text>
QStringList textsOf(const QWidget& parent, Text text)
{
    QStringList texts;
    for (const Widget* widget : parent.findChildren<Widget*>())
        if (widget->isVisible() && !text(widget).isEmpty())
            texts << shown(text(widget));
    return texts;
}

}  // namespace

class QtTranslationsTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        translator = app::installQtTranslations();
        QVERIFY2(translator, qPrintable("no qtbase_pl in " + app::qtTranslationsFolder()));
    }

    void cleanup()
    {
        // The other tests of this executable read the program's texts untranslated.
        if (translator)
            QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }

    void theFileDialogIsPolish()
    {
        QTemporaryDir folder;
        QFileDialog dialog(nullptr, QStringLiteral("Import listy personelu"), folder.path(),
                           QStringLiteral("Pliki CSV (*.csv)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const QStringList labels =
            textsOf<QLabel>(dialog, [](const QLabel* l) { return l->text(); });
        const QStringList buttons =
            textsOf<QPushButton>(dialog, [](const QPushButton* b) { return b->text(); });
        qInfo() << labels << buttons;
        QVERIFY2(labels.contains(QStringLiteral("Szukaj w:")), qPrintable(labels.join('|')));
        QVERIFY2(labels.contains(QStringLiteral("Nazwa pliku:")), qPrintable(labels.join('|')));
        QVERIFY2(labels.contains(QStringLiteral("Pliki rodzaju:")), qPrintable(labels.join('|')));
        QVERIFY2(buttons.contains(QStringLiteral("Otwórz")), qPrintable(buttons.join('|')));
        QVERIFY2(buttons.contains(QStringLiteral("Anuluj")), qPrintable(buttons.join('|')));
        for (const char* english : {"Look in:", "File name:", "Files of type:", "Open", "Cancel"})
            QVERIFY2(!labels.contains(QLatin1String(english)) &&
                         !buttons.contains(QLatin1String(english)),
                     english);
        // The tool buttons say what they do in their tips.
        const QStringList tips =
            textsOf<QAbstractButton>(dialog, [](const QAbstractButton* b) { return b->toolTip(); });
        QVERIFY2(tips.contains(QStringLiteral("Utwórz nowy katalog")), qPrintable(tips.join('|')));
    }

    void aTextBoxsContextMenuIsPolish()
    {
        QLineEdit edit;
        edit.setText(QStringLiteral("Kowalski"));
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                                edit.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(&edit, &event);
        QMenu* menu = nullptr;
        QTRY_VERIFY((menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())));
        QStringList items;
        for (const QAction* action : menu->actions())
            if (!action->isSeparator())
                items << shown(action->text());
        menu->close();
        qInfo() << items;
        for (const char* polish :
             {"Cofnij", "Przywróć", "Wytnij", "Skopiuj", "Wklej", "Usuń", "Zaznacz wszystko"})
            QVERIFY2(items.contains(QString::fromUtf8(polish)), polish);
        for (const char* english : {"Undo", "Cut", "Copy", "Paste", "Select All"})
            QVERIFY2(!items.contains(QLatin1String(english)), english);
    }

    void theProgramsQuestionsKeepTheirAnswers()
    {
        controls::DesktopPrompts prompts;
        QStringList answers;
        testsupport::ModalAction read([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box)
                return;
            for (const QAbstractButton* button : box->buttons())
                answers << button->text();
            box->button(QMessageBox::No)->click();
        });
        QVERIFY(!prompts.question(QStringLiteral("Usunąć firmę?"), QStringLiteral("Firmy")));
        QVERIFY(read.acted());
        answers.sort();
        QCOMPARE(answers, QStringList({QStringLiteral("&Nie"), QStringLiteral("&Tak")}));
    }

private:
    QTranslator* translator = nullptr;
};

HALVANE_TEST(QtTranslationsTest);
#include "QtTranslationsTest.moc"
