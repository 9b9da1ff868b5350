#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include "calendar/DatePickerDialog.h"
#include "calendar/PublicHolidays.h"
#include "support/testmain.h"

namespace {

const controls::SystemClock systemClock;

// The picker with its screen, pointer and clock under the test's control.
class Kalendarz : public DatePickerDialog {
public:
    using DatePickerDialog::Klik;
    using DatePickerDialog::Swieta;
    QRect obszar{0, 0, 1920, 1040};
    QPoint wskaznik{200, 150};
    QDate dzisiaj{2024, 5, 21};
    Kalendarz() : DatePickerDialog(systemClock) {}

    bool Otworz(const QDate& data)
    {
        DatePickerDialog::open(data, Kotwica);
        activateWindow();
        return QTest::qWaitForWindowActive(this);
    }
    QString Tekst(int wiersz, int kolumna) const { return SG->model()->index(wiersz, kolumna).data().toString(); }
    QModelIndex Komorka(const QDate& dzien) const
    {
        for (int i = 8; i < 56; ++i)
            if (i % 8 && Tekst(i / 8, i % 8).startsWith(dzien.toString("dd.MM.yyyy")))
                return SG->model()->index(i / 8, i % 8);
        return QModelIndex();
    }
    QDate Biezaca() const { return QDate::fromString(SG->currentIndex().data().toString().left(10), "dd.MM.yyyy"); }
    void Kliknij(const QModelIndex& k) { QTest::mouseClick(SG->viewport(), Qt::LeftButton, {}, SG->visualRect(k).center()); }
    QString Podpowiedz(const QModelIndex& k)
    {
        QTest::mouseMove(SG->viewport(), SG->visualRect(k).center());
        return SG->toolTip();
    }
    // The pixel of a cell farthest from its fill: the core of the drawn number.
    QColor Napis(const QModelIndex& k) const
    {
        const QImage obraz = SG->viewport()->grab().toImage();
        const QRect r = SG->visualRect(k);
        const QColor tlo = obraz.pixelColor(r.topLeft() + QPoint(2, 2));
        auto odleglosc = [&](const QColor& c) {
            return qAbs(c.red() - tlo.red()) + qAbs(c.green() - tlo.green()) + qAbs(c.blue() - tlo.blue());
        };
        QColor najdalszy = tlo;
        for (int y = r.top() + 1; y < r.bottom(); ++y)
            for (int x = r.left() + 1; x < r.right(); ++x)
                if (odleglosc(obraz.pixelColor(x, y)) > odleglosc(najdalszy))
                    najdalszy = obraz.pixelColor(x, y);
        return najdalszy;
    }
    QColor Piksel(const QModelIndex& k, const QPoint& przesuniecie) const
    {
        return SG->viewport()->grab().toImage().pixelColor(SG->visualRect(k).topLeft() + przesuniecie);
    }

protected:
    QRect ObszarRoboczy(const QPoint&) const override { return obszar; }
    QPoint PozycjaWskaznika() const override { return wskaznik; }
    QDate Dzisiaj() const override { return dzisiaj; }
};

bool Bliski(const QColor& a, const QColor& b)
{
    return qAbs(a.red() - b.red()) <= 40 && qAbs(a.green() - b.green()) <= 40 && qAbs(a.blue() - b.blue()) <= 40;
}

const QColor kSzary(0x80, 0x80, 0x80), kCzerwony(0xFF, 0, 0), kCzarny(0, 0, 0), kGranat(0, 0, 0x80);

}  // namespace

class KalendarzTest : public QObject {
    Q_OBJECT

private slots:
    void gridOfMonth_data()
    {
        QTest::addColumn<QDate>("data");
        QTest::addColumn<QDate>("pierwszy");
        QTest::addColumn<QString>("tytul");
        QTest::newRow("September 2024 begins on a Sunday") << QDate(2024, 9, 15) << QDate(2024, 8, 26) << "2024  wrzesień";
        QTest::newRow("April 2024 begins on a Monday") << QDate(2024, 4, 30) << QDate(2024, 4, 1) << "2024  kwiecień";
        QTest::newRow("February 2027 fills four rows") << QDate(2027, 2, 28) << QDate(2027, 2, 1) << "2027  luty";
        QTest::newRow("May 2024") << QDate(2024, 5, 10) << QDate(2024, 4, 29) << "2024  maj";
    }

    void gridOfMonth()
    {
        QFETCH(QDate, data);
        QFETCH(QDate, pierwszy);
        QFETCH(QString, tytul);
        Kalendarz okno;
        QCOMPARE(okno.btnDzis->text(), QStringLiteral("Dziś: xx.xx.xxxx"));
        QVERIFY(okno.Otworz(data));
        QCOMPARE(okno.Panel1->text(), tytul);
        QCOMPARE(okno.btnDzis->text(), QStringLiteral("Dziś: 21.05.2024"));
        QCOMPARE(okno.Tekst(0, 0), QString());
        for (int dzien = 1; dzien <= 7; ++dzien) {
            const QString naglowek = okno.Tekst(0, dzien);
            QVERIFY(naglowek == QLocale().standaloneDayName(dzien, QLocale::NarrowFormat)
                    || naglowek == QLocale().standaloneDayName(dzien, QLocale::ShortFormat));
            QVERIFY(QFontMetrics(okno.SG->font()).horizontalAdvance(naglowek) < okno.SG->columnWidth(dzien));
        }
        for (int i = 0; i < 42; ++i) {
            const QDate dzien = pierwszy.addDays(i);
            QCOMPARE(okno.Tekst(1 + i / 7, 1 + i % 7).left(10), dzien.toString("dd.MM.yyyy"));
            if (i % 7 == 0)
                QCOMPARE(okno.Tekst(1 + i / 7, 0), QString::number(dzien.weekNumber()));
        }
        QCOMPARE(okno.Biezaca(), data);
        QCOMPARE(okno.Komorka(QDate(2027, 3, 1)).isValid(), data.year() == 2027);
        if (data.year() == 2027)
            QCOMPARE(okno.Komorka(QDate(2027, 3, 1)), okno.SG->model()->index(5, 1));
    }

    void may2024MarksHolidaysSundaysAndNeighbours()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        QCOMPARE(okno.Komorka(QDate(2024, 5, 3)).data().toString(), QStringLiteral("03.05.2024Konstytucji 3 Maja"));
        QCOMPARE(okno.Komorka(QDate(2024, 5, 19)).data().toString(), QStringLiteral("19.05.2024Zesłanie Ducha Św."));
        QCOMPARE(okno.Komorka(QDate(2024, 5, 2)).data().toString(), QStringLiteral("02.05.2024"));
        for (const QDate& d : {QDate(2024, 4, 29), QDate(2024, 4, 30), QDate(2024, 6, 1), QDate(2024, 6, 9)})
            QVERIFY2(Bliski(okno.Napis(okno.Komorka(d)), kSzary), qPrintable(d.toString()));
        for (int d : {1, 3, 5, 12, 19, 26, 30})
            QVERIFY2(Bliski(okno.Napis(okno.Komorka(QDate(2024, 5, d))), kCzerwony), qPrintable(QString::number(d)));
        for (int d : {2, 4, 31})
            QVERIFY2(Bliski(okno.Napis(okno.Komorka(QDate(2024, 5, d))), kCzarny), qPrintable(QString::number(d)));
        QVERIFY(Bliski(okno.Napis(okno.SG->model()->index(0, 3)), kGranat));
        QCOMPARE(okno.Piksel(okno.SG->model()->index(2, 0), {0, 0}), QColor::fromRgb(0xC0DCC0u));
        // The current cell is light blue; today (21 May) is outlined on white.
        QCOMPARE(okno.Piksel(okno.Komorka(QDate(2024, 5, 10)), {0, 0}), QColor::fromRgb(0xA6CAF0u));
        QCOMPARE(okno.Piksel(okno.Komorka(QDate(2024, 5, 21)), {0, 0}), QColor::fromRgb(0xFF8080u));
        QCOMPARE(okno.Piksel(okno.Komorka(QDate(2024, 5, 21)), {2, 2}), QColor(Qt::white));
        QCOMPARE(okno.Piksel(okno.Komorka(QDate(2024, 5, 22)), {0, 0}), QColor(Qt::white));

        QCOMPARE(okno.Podpowiedz(okno.Komorka(QDate(2024, 5, 3))), QStringLiteral("Konstytucji 3 Maja"));
        QVERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), QStringLiteral("Konstytucji 3 Maja"));
        QCOMPARE(okno.Podpowiedz(okno.Komorka(QDate(2024, 5, 2))), QString());
        QCOMPARE(okno.Podpowiedz(okno.Komorka(QDate(2024, 5, 30))), QStringLiteral("Boże Ciało"));
        QCOMPARE(okno.Podpowiedz(okno.SG->model()->index(0, 3)), QString());

        okno.reject();
        okno.dzisiaj = QDate(2024, 5, 3);  // a holiday's text is longer than today's: no outline
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        QCOMPARE(okno.Piksel(okno.Komorka(QDate(2024, 5, 3)), {0, 0}), QColor(Qt::white));
    }

    void yearEnds()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 12, 30)));
        QCOMPARE(okno.Tekst(okno.Komorka(QDate(2024, 12, 30)).row(), 0), QStringLiteral("1"));
        okno.reject();
        QVERIFY(okno.Otworz(QDate(2020, 12, 28)));
        QCOMPARE(okno.Tekst(okno.Komorka(QDate(2020, 12, 28)).row(), 0), QStringLiteral("53"));
        for (int rok = 2020; rok <= 2027; ++rok) {
            okno.reject();
            QVERIFY(okno.Otworz(QDate(rok, 12, 1)));
            const QModelIndex nowyRok = okno.Komorka(QDate(rok + 1, 1, 1));
            QVERIFY(nowyRok.row() == 5 || nowyRok.row() == 6);
            QVERIFY(Bliski(okno.Napis(nowyRok), kSzary));
            QCOMPARE(okno.Podpowiedz(nowyRok), QStringLiteral("Nowy Rok"));
        }
    }

    void navigationKeepsTheDayInTheTargetMonth_data()
    {
        QTest::addColumn<QDate>("data");
        QTest::addColumn<int>("modyfikatory");
        QTest::addColumn<int>("klawisz");
        QTest::addColumn<QDate>("oczekiwana");
        const int ctrl = Qt::ControlModifier, rok = Qt::ControlModifier | Qt::ShiftModifier;
        QTest::newRow("31 January + month") << QDate(2024, 1, 31) << ctrl << int(Qt::Key_Right) << QDate(2024, 2, 29);
        QTest::newRow("31 March - month") << QDate(2025, 3, 31) << ctrl << int(Qt::Key_Left) << QDate(2025, 2, 28);
        QTest::newRow("29 February + year") << QDate(2024, 2, 29) << rok << int(Qt::Key_Right) << QDate(2025, 2, 28);
        QTest::newRow("15 January - year") << QDate(2024, 1, 15) << rok << int(Qt::Key_Left) << QDate(2023, 1, 15);
    }

    void navigationKeepsTheDayInTheTargetMonth()
    {
        QFETCH(QDate, data);
        QFETCH(int, modyfikatory);
        QFETCH(int, klawisz);
        QFETCH(QDate, oczekiwana);
        Kalendarz okno;
        QVERIFY(okno.Otworz(data));
        QTest::keyClick(okno.SG, Qt::Key(klawisz), Qt::KeyboardModifiers(modyfikatory));
        QCOMPARE(okno.Data, oczekiwana);
        QCOMPARE(okno.Panel1->text().left(4), QString::number(oczekiwana.year()));
        QCOMPARE(okno.Biezaca(), oczekiwana);  // the key release brought the highlight along
        QCOMPARE(okno.Swieta->Nazwa(QLocale::c().toString(easterSunday(oczekiwana.year()), "dd.MM")),
                 QStringLiteral("Wielkanoc"));
    }

    void monthButtonLeavesTheHighlightInPlace()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        const QModelIndex przed = okno.SG->currentIndex();
        QTest::mouseClick(okno.btnMiesiacWPrawo, Qt::LeftButton);
        QCOMPARE(okno.Data, QDate(2024, 6, 10));
        QCOMPARE(okno.Panel1->text(), QStringLiteral("2024  czerwiec"));
        QCOMPARE(okno.SG->currentIndex(), przed);
    }

    void arrowKeysCarryTheViewIntoTheNextYear()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 12, 30)));
        // A week down at a time; on the last row, a day to the right.
        for (int krok = 0; krok < 100 && okno.Data < QDate(2025, 4, 14); ++krok) {
            const QDate przed = okno.Data;
            QTest::keyClick(okno.SG, Qt::Key_Down);
            if (okno.Data == przed)
                QTest::keyClick(okno.SG, Qt::Key_Right);
            QCOMPARE(okno.Biezaca(), okno.Data);
        }
        QCOMPARE(okno.Panel1->text(), QStringLiteral("2025  kwiecień"));
        QCOMPARE(okno.Komorka(QDate(2025, 4, 20)).data().toString(), QStringLiteral("20.04.2025Wielkanoc"));
        QCOMPARE(okno.Komorka(QDate(2025, 4, 1)).data().toString(), QStringLiteral("01.04.2025"));
        const QDate dotarla = okno.Data;
        QVERIFY(dotarla >= QDate(2025, 4, 14));
        QTest::keyClick(okno.SG, Qt::Key_Return);
        QCOMPARE(okno.result(), int(QDialog::Accepted));
        QCOMPARE(okno.Data, dotarla);
    }

    void closingPicksOrCancels()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 3, 15)));
        okno.Kliknij(okno.Komorka(QDate(2024, 4, 2)));
        QCOMPARE(okno.result(), int(QDialog::Accepted));
        QCOMPARE(okno.Data, QDate(2024, 4, 2));
        QCOMPARE(okno.Panel1->text(), QStringLiteral("2024  kwiecień"));
        QVERIFY(!okno.isVisible() && !okno.Swieta);

        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        QVERIFY(okno.Swieta && !okno.Klik);
        QTest::keyClick(okno.SG, Qt::Key_Right);
        okno.Kliknij(okno.SG->model()->index(0, 4));  // a header cell picks the shown date
        QCOMPARE(okno.result(), int(QDialog::Accepted));
        QCOMPARE(okno.Data, QDate(2024, 5, 11));

        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        QTest::keyClick(okno.SG, Qt::Key_Left, Qt::ControlModifier);
        QTest::keyClick(okno.SG, Qt::Key_Escape);
        QCOMPARE(okno.result(), int(QDialog::Rejected));
        QVERIFY(!okno.isVisible() && !okno.Swieta);

        okno.dzisiaj = QDate(2026, 11, 11);
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        QTest::mouseClick(okno.btnDzis, Qt::LeftButton);
        QCOMPARE(okno.result(), int(QDialog::Accepted));
        QCOMPARE(okno.Data, QDate(2026, 11, 11));
    }

    void todayComesFromTheClock()
    {
        DatePickerDialog okno(systemClock);
        okno.open(QDate(2001, 1, 1), nullptr);
        const QDate przed = QDate::currentDate();
        okno.aDzis->trigger();
        QCOMPARE(okno.result(), int(QDialog::Accepted));
        QVERIFY(okno.Data == przed || okno.Data == QDate::currentDate());
    }

    void datesStayWithinYears1To9999()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(9999, 12, 15)));
        QTest::keyClick(okno.SG, Qt::Key_Right, Qt::ControlModifier);
        QCOMPARE(okno.Data, QDate(9999, 12, 15));
        const QModelIndex ostatni = okno.Komorka(QDate(9999, 12, 31));
        const QModelIndex pusta = okno.SG->model()->index(ostatni.row(), ostatni.column() + 1);
        QVERIFY(pusta.isValid());
        QCOMPARE(pusta.data().toString(), QString());
        okno.Kliknij(pusta);
        QCOMPARE(okno.Data, QDate(9999, 12, 15));
        QVERIFY(okno.Otworz(QDate(1, 1, 20)));
        QTest::keyClick(okno.SG, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(okno.Data, QDate(1, 1, 20));
        QCOMPARE(okno.Tekst(1, 1), QStringLiteral("01.01.0001Nowy Rok"));
    }

    // -1 in the expected position: flush with the work area's far edge.
    void staysInsideTheWorkArea_data()
    {
        QTest::addColumn<QRect>("obszar");
        QTest::addColumn<QPoint>("wskaznik");
        QTest::addColumn<QPoint>("oczekiwane");
        const QRect ekran(0, 0, 1920, 1040);
        QTest::newRow("in the open") << ekran << QPoint(300, 200) << QPoint(300, 200);
        QTest::newRow("bottom-right corner") << ekran << QPoint(1915, 1035) << QPoint(-1, -1);
        QTest::newRow("right edge") << ekran << QPoint(1900, 500) << QPoint(-1, 500);
        QTest::newRow("negative") << ekran << QPoint(-40, -15) << QPoint(0, 0);
        QTest::newRow("second screen corner") << QRect(1920, 0, 1280, 984) << QPoint(3195, 980) << QPoint(-1, -1);
        QTest::newRow("below a top panel") << QRect(0, 30, 1024, 738) << QPoint(500, 10) << QPoint(500, 30);
    }

    void staysInsideTheWorkArea()
    {
        QFETCH(QRect, obszar);
        QFETCH(QPoint, wskaznik);
        QFETCH(QPoint, oczekiwane);
        Kalendarz okno;
        okno.obszar = obszar;
        okno.wskaznik = wskaznik;
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        const QRect ramka = okno.frameGeometry();
        QVERIFY(ramka.width() >= 169 && ramka.height() >= 192);
        QCOMPARE(ramka.topLeft(), QPoint(oczekiwane.x() < 0 ? obszar.x() + obszar.width() - ramka.width() : oczekiwane.x(),
                                         oczekiwane.y() < 0 ? obszar.y() + obszar.height() - ramka.height() : oczekiwane.y()));
        QVERIFY(obszar.contains(ramka));
    }

    void opensBelowTheAnchor()
    {
        QWidget wlasciciel;
        wlasciciel.setGeometry(240, 160, 300, 200);
        QLabel kotwica(&wlasciciel);
        kotwica.setGeometry(30, 40, 90, 22);
        wlasciciel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&wlasciciel));
        Kalendarz okno;
        okno.wskaznik = QPoint(1000, 900);
        okno.Kotwica = &kotwica;
        QVERIFY(okno.Otworz(QDate(2024, 5, 12)));
        QCOMPARE(okno.frameGeometry().topLeft(), kotwica.mapToGlobal(QPoint(0, 22)));
    }

    void renderMay2024()
    {
        Kalendarz okno;
        QVERIFY(okno.Otworz(QDate(2024, 5, 10)));
        const QImage obraz = okno.grab().toImage();
        QCOMPARE(obraz.size(), QSize(169, 192));
        QVERIFY(obraz.save(QCoreApplication::applicationDirPath() + "/kalendarz-2024-05.png"));
    }
};

HALVANE_TEST(KalendarzTest);

#include "DatePickerDialogTest.moc"
