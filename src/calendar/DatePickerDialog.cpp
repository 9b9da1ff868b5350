#include "calendar/DatePickerDialog.h"

#include <QAction>
#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QScreen>
#include <QShowEvent>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include "calendar/PublicHolidays.h"

using kalendarz::DataKomorki;
using kalendarz::KomorkaNaglowka;
using kalendarz::TekstDaty;

namespace {

constexpr int kSzerokoscOkna = 169;
constexpr int kWysokoscOkna = 192;
constexpr int kKrokSiatki = 21;  // a 20-pixel cell and its grid line
constexpr int kWysokoscPaska = 22;
constexpr int kWysokoscPrzycisku = kWysokoscOkna - kWysokoscPaska - kalendarz::kWiersze * kKrokSiatki;

const QColor kKolorLinii(0xC0, 0xC0, 0xC0);

const QString kPrzedrostekDzis = QStringLiteral("Dziś: ");

}  // namespace

DatePickerDialog::DatePickerDialog(const controls::Clock& clock, QWidget* rodzic)
    : QDialog(rodzic, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), clock_(clock)
{
    setObjectName(QStringLiteral("Form_Kalendarz"));
    setWindowTitle(QStringLiteral("Kalendarz"));
    setFixedSize(kSzerokoscOkna, kWysokoscOkna);

    ZbudujAkcje();
    ZbudujPanel();
    ZbudujSiatke();

    btnDzis = new QToolButton(this);
    btnDzis->setObjectName(QStringLiteral("btnDzis"));
    btnDzis->setDefaultAction(aDzis);
    btnDzis->setToolButtonStyle(Qt::ToolButtonTextOnly);
    btnDzis->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    btnDzis->setFixedHeight(kWysokoscPrzycisku);

    auto* uklad = new QVBoxLayout(this);
    uklad->setContentsMargins(0, 0, 0, 0);
    uklad->setSpacing(0);
    uklad->addWidget(Panel1);
    uklad->addWidget(SG);
    uklad->addWidget(btnDzis);
}

DatePickerDialog::~DatePickerDialog()
{
    delete Swieta;
}

void DatePickerDialog::ZbudujAkcje()
{
    auto akcja = [this](const char* nazwa, const QString& tekst, const QList<QKeySequence>& skroty) {
        auto* a = new QAction(tekst, this);
        a->setObjectName(QString::fromLatin1(nazwa));
        a->setShortcuts(skroty);
        addAction(a);
        return a;
    };
    aMiesWLewo = akcja("aMiesWLewo", QStringLiteral("Poprzedni miesiąc"), {QKeySequence(Qt::CTRL | Qt::Key_Left)});
    aMiesWPrawo = akcja("aMiesWPrawo", QStringLiteral("Następny miesiąc"), {QKeySequence(Qt::CTRL | Qt::Key_Right)});
    aRokWLewo = akcja("aRokWLewo", QStringLiteral("Poprzedni rok"),
                      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Left)});
    aRokWPrawo = akcja("aRokWPrawo", QStringLiteral("Następny rok"),
                       {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Right)});
    aDzis = akcja("aDzis", kPrzedrostekDzis + QStringLiteral("xx.xx.xxxx"), {});
    aZatwierdz = akcja("aZatwierdz", QStringLiteral("OK"),
                       {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
    aAnuluj = akcja("aAnuluj", QStringLiteral("Anuluj"), {QKeySequence(Qt::Key_Escape)});

    connect(aMiesWLewo, &QAction::triggered, this, &DatePickerDialog::aMiesWLewoExecute);
    connect(aMiesWPrawo, &QAction::triggered, this, &DatePickerDialog::aMiesWPrawoExecute);
    connect(aRokWLewo, &QAction::triggered, this, &DatePickerDialog::aRokWLewoExecute);
    connect(aRokWPrawo, &QAction::triggered, this, &DatePickerDialog::aRokWPrawoExecute);
    connect(aDzis, &QAction::triggered, this, &DatePickerDialog::aDzisExecute);
    connect(aZatwierdz, &QAction::triggered, this, &DatePickerDialog::aZatwierdzExecute);
    connect(aAnuluj, &QAction::triggered, this, &DatePickerDialog::aAnulujExecute);
}

void DatePickerDialog::ZbudujPanel()
{
    Panel1 = new QLabel(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(kWysokoscPaska);
    Panel1->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Panel1->setIndent(4);
    QFont pogrubiona = Panel1->font();
    pogrubiona.setBold(true);
    Panel1->setFont(pogrubiona);

    auto strzalka = [this](const char* nazwa, Qt::ArrowType kierunek, QAction* akcja) {
        auto* przycisk = new QToolButton(Panel1);
        przycisk->setObjectName(QString::fromLatin1(nazwa));
        przycisk->setDefaultAction(akcja);
        przycisk->setArrowType(kierunek);
        przycisk->setToolButtonStyle(Qt::ToolButtonIconOnly);
        przycisk->setAutoRaise(true);
        przycisk->setFocusPolicy(Qt::NoFocus);  // the grid keeps the keyboard
        przycisk->setFixedSize(kWysokoscPaska - 2, kWysokoscPaska - 2);
        przycisk->setIconSize(QSize(12, 12));
        return przycisk;
    };
    btnMiesiacWLewo = strzalka("btnMiesiacWLewo", Qt::LeftArrow, aMiesWLewo);
    btnMiesiacWPrawo = strzalka("btnMiesiacWPrawo", Qt::RightArrow, aMiesWPrawo);

    auto* uklad = new QHBoxLayout(Panel1);
    uklad->setContentsMargins(0, 1, 1, 1);
    uklad->setSpacing(0);
    uklad->addStretch();
    uklad->addWidget(btnMiesiacWLewo);
    uklad->addWidget(btnMiesiacWPrawo);
}

void DatePickerDialog::ZbudujSiatke()
{
    SG = new kalendarz::MonthGrid(this);
    SG->setObjectName(QStringLiteral("SG"));
    SG->setAccessibleName(QStringLiteral("Kalendarz"));
    m_model = new kalendarz::MonthModel(SG);
    SG->setModel(m_model);
    SG->setItemDelegate(new kalendarz::DayPainter(&Data, &DzisTekst, SG));
    SG->horizontalHeader()->setMinimumSectionSize(1);
    SG->verticalHeader()->setMinimumSectionSize(1);
    SG->horizontalHeader()->setDefaultSectionSize(kKrokSiatki);
    SG->verticalHeader()->setDefaultSectionSize(kKrokSiatki);
    SG->setFrameShape(QFrame::NoFrame);
    // The width left over beside the 8 columns becomes a grid line on the left.
    const int lewyMargines = kSzerokoscOkna - kalendarz::kKolumny * kKrokSiatki;
    SG->UstawLewyMargines(lewyMargines);
    // Silver grid lines, the strip left of the grid in the same colour so it reads as a line.
    QPalette paleta = SG->palette();
    paleta.setColor(QPalette::Mid, kKolorLinii);
    paleta.setColor(QPalette::Window, kKolorLinii);
    SG->setPalette(paleta);
    SG->setAutoFillBackground(true);
    SG->setFixedSize(kSzerokoscOkna, kalendarz::kWiersze * kKrokSiatki);
    setFocusProxy(SG);

    connect(SG->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& cel) { SGSelectCell(cel); });
    connect(SG, &kalendarz::MonthGrid::przyciskWcisniety, this, &DatePickerDialog::SGMouseDown);
    connect(SG, &kalendarz::MonthGrid::przyciskZwolniony, this, &DatePickerDialog::SGMouseUp);
    connect(SG, &kalendarz::MonthGrid::klawiszZwolniony, this, &DatePickerDialog::SGKeyUp);
    connect(SG, &kalendarz::MonthGrid::wskaznikPrzesuniety, this, &DatePickerDialog::SGMouseMove);
}

QRect DatePickerDialog::ObszarRoboczy(const QPoint& punkt) const
{
    QScreen* ekran = QGuiApplication::screenAt(punkt);
    if (!ekran)
        ekran = screen() ? screen() : QGuiApplication::primaryScreen();
    return ekran ? ekran->availableGeometry() : QRect();
}

QPoint DatePickerDialog::PozycjaWskaznika() const
{
    return QCursor::pos();
}

QDate DatePickerDialog::Dzisiaj() const
{
    return clock_.today();
}

std::optional<QDate> DatePickerDialog::pick(const QDate& shown, QWidget* anchor)
{
    Data = shown;
    Kotwica = anchor;
    if (QDialog::exec() != QDialog::Accepted)
        return std::nullopt;
    return Data;
}

void DatePickerDialog::open(const QDate& shown, QWidget* anchor)
{
    Data = shown;
    Kotwica = anchor;
    QDialog::open();
}

void DatePickerDialog::UstawPozycje()
{
    const QPoint punkt = Kotwica ? Kotwica->mapToGlobal(QPoint(0, Kotwica->height()))
                                 : PozycjaWskaznika();
    const QRect obszar = ObszarRoboczy(punkt);
    const QSize rozmiar = frameGeometry().size().expandedTo(size());

    // Keep the whole window inside the work area of the screen it opens on,
    // wherever that area begins; the left and top edges win over the right and bottom.
    int x = punkt.x();
    int y = punkt.y();
    if (obszar.isValid()) {
        x = qMax(qMin(x, obszar.left() + obszar.width() - rozmiar.width()), obszar.left());
        y = qMax(qMin(y, obszar.top() + obszar.height() - rozmiar.height()), obszar.top());
    }
    move(qMax(x, 0), qMax(y, 0));
}

QStringList DatePickerDialog::NazwyDniTygodnia() const
{
    // The locale's short names when they fit a cell, otherwise its one-letter names.
    const QLocale jezyk;
    const QFontMetrics miary(SG->font());
    const int miejsce = kKrokSiatki - 3;
    QStringList krotkie, waskie;
    bool mieszcza = true;
    for (int dzien = Qt::Monday; dzien <= Qt::Sunday; ++dzien) {
        krotkie << jezyk.standaloneDayName(dzien, QLocale::ShortFormat);
        waskie << jezyk.standaloneDayName(dzien, QLocale::NarrowFormat);
        mieszcza = mieszcza && miary.horizontalAdvance(krotkie.last()) <= miejsce;
    }
    return mieszcza ? krotkie : waskie;
}

void DatePickerDialog::WypelnijNaglowek()
{
    const QStringList nazwy = NazwyDniTygodnia();
    m_model->UstawTekst(0, 0, QString());
    for (int kolumna = 1; kolumna < kalendarz::kKolumny; ++kolumna)
        m_model->UstawTekst(0, kolumna, nazwy.at(kolumna - 1));
}

void DatePickerDialog::PrzeliczSwieta(int rok)
{
    if (!Swieta)
        return;
    Swieta->Wyznacz(rok);
    m_rokSwiat = rok;
}

QString DatePickerDialog::NazwaSwieta(const QString& tekstDaty) const
{
    return Swieta ? Swieta->Nazwa(tekstDaty.left(5)) : QString();
}

void DatePickerDialog::WypelnijMiesiac(int miesiac, int rok)
{
    const QDate pierwszy(rok, miesiac, 1);
    Panel1->setText(QString::asprintf("%04d", rok) + QStringLiteral("  ")
                    + QLocale().standaloneMonthName(miesiac, QLocale::LongFormat));

    QDate dzien = pierwszy.addDays(Qt::Monday - pierwszy.dayOfWeek());
    for (int wiersz = 1; wiersz < kalendarz::kWiersze; ++wiersz) {
        const bool poniedzialekIstnieje = !TekstDaty(dzien).isEmpty();
        m_model->UstawTekst(wiersz, 0, poniedzialekIstnieje ? QString::number(dzien.weekNumber()) : QString());
        for (int kolumna = 1; kolumna < kalendarz::kKolumny; ++kolumna) {
            const QString tekst = TekstDaty(dzien);
            m_model->UstawTekst(wiersz, kolumna, tekst.isEmpty() ? tekst : tekst + NazwaSwieta(tekst));
            dzien = dzien.addDays(1);
        }
    }
}

void DatePickerDialog::ZaznaczDzien(int dzien, int miesiac, int rok)
{
    const QString szukany = QString::asprintf("%02d.%02d.%04d", dzien, miesiac, rok);
    for (int wiersz = 1; wiersz < kalendarz::kWiersze; ++wiersz) {
        for (int kolumna = 1; kolumna < kalendarz::kKolumny; ++kolumna) {
            if (m_model->Tekst(wiersz, kolumna).left(kalendarz::kDlugoscDaty) == szukany) {
                SG->setCurrentIndex(m_model->index(wiersz, kolumna));
                return;
            }
        }
    }
}

void DatePickerDialog::PokazMiesiacDaty()
{
    const OdpietyWyborKomorki odpiety(*this);
    WypelnijMiesiac(Data.month(), Data.year());
    ZaznaczDzien(Data.day(), Data.month(), Data.year());
}

void DatePickerDialog::showEvent(QShowEvent* zdarzenie)
{
    if (!zdarzenie->spontaneous())
        FormShow();
    QDialog::showEvent(zdarzenie);
}

void DatePickerDialog::done(int wynik)
{
    FormClose();
    QDialog::done(wynik);
}

void DatePickerDialog::FormShow()
{
    UstawPozycje();
    DzisTekst = TekstDaty(Dzisiaj());
    aDzis->setText(kPrzedrostekDzis + DzisTekst);
    WypelnijNaglowek();
    if (TekstDaty(Data).isEmpty())
        Data = Dzisiaj();  // callers always set it; this only keeps a forgotten one harmless

    delete Swieta;
    Swieta = new PublicHolidays;
    PrzeliczSwieta(Data.year());
    Klik = false;
    PokazMiesiacDaty();
    SG->setFocus();
}

void DatePickerDialog::FormClose()
{
    delete Swieta;
    Swieta = nullptr;
    QToolTip::hideText();
}

void DatePickerDialog::SGSelectCell(const QModelIndex& cel)
{
    if (m_odpiety > 0 || !cel.isValid())
        return;
    const QDate nowa = DataKomorki(m_model->Tekst(cel.row(), cel.column()));
    if (!nowa.isValid())
        return;
    const bool innyMiesiac = nowa.month() != Data.month();
    Data = nowa;
    if (!innyMiesiac)
        return;
    // Moving across New Year by arrow keys would otherwise keep last year's movable feasts.
    if (Data.year() != m_rokSwiat)
        PrzeliczSwieta(Data.year());
    PokazMiesiacDaty();
}

void DatePickerDialog::SGMouseDown()
{
    Klik = true;
}

void DatePickerDialog::SGMouseUp()
{
    if (!Klik)
        return;
    {
        const OdpietyWyborKomorki odpiety(*this);
        ZaznaczDzien(Data.day(), Data.month(), Data.year());
    }
    aZatwierdz->trigger();
}

void DatePickerDialog::SGKeyUp()
{
    const OdpietyWyborKomorki odpiety(*this);
    ZaznaczDzien(Data.day(), Data.month(), Data.year());
}

void DatePickerDialog::SGMouseMove(const QPoint& polozenie, const QPoint& polozenieEkranowe)
{
    QString podpowiedz;
    const QModelIndex komorka = SG->indexAt(polozenie);
    if (komorka.isValid() && !KomorkaNaglowka(komorka.row(), komorka.column()))
        podpowiedz = m_model->Tekst(komorka.row(), komorka.column()).mid(kalendarz::kDlugoscDaty);
    SG->setToolTip(podpowiedz);
    if (podpowiedz.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(polozenieEkranowe, podpowiedz, SG);
}

void DatePickerDialog::PrzesunDate(const QDate& nowa)
{
    if (TekstDaty(nowa).isEmpty())
        return;  // before year 1 or after 9999: there is nothing to show
    Data = nowa;
    PrzeliczSwieta(Data.year());
    const OdpietyWyborKomorki odpiety(*this);
    WypelnijMiesiac(Data.month(), Data.year());
}

void DatePickerDialog::aMiesWLewoExecute()
{
    PrzesunDate(Data.addMonths(-1));
}

void DatePickerDialog::aMiesWPrawoExecute()
{
    PrzesunDate(Data.addMonths(1));
}

void DatePickerDialog::aRokWLewoExecute()
{
    PrzesunDate(Data.addYears(-1));
}

void DatePickerDialog::aRokWPrawoExecute()
{
    PrzesunDate(Data.addYears(1));
}

void DatePickerDialog::aDzisExecute()
{
    Data = Dzisiaj();
    PrzeliczSwieta(Data.year());
    PokazMiesiacDaty();
    aZatwierdz->trigger();
}

void DatePickerDialog::aZatwierdzExecute()
{
    const QModelIndex biezaca = SG->currentIndex();
    const QDate wybrana = biezaca.isValid() ? DataKomorki(m_model->Tekst(biezaca.row(), biezaca.column()))
                                            : QDate();
    if (wybrana.isValid())
        Data = wybrana;
    accept();
}

void DatePickerDialog::aAnulujExecute()
{
    reject();
}
