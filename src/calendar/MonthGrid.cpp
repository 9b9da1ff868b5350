#include "calendar/MonthGrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>

namespace kalendarz {

namespace {

const QDate kPierwszyDzien(1, 1, 1);
const QDate kOstatniDzien(9999, 12, 31);

const QColor kTloNaglowka(0xC0, 0xDC, 0xC0);
const QColor kTekstNaglowka(0x00, 0x00, 0x80);
const QColor kTloDnia(0xFF, 0xFF, 0xFF);
const QColor kTloBiezacej(0xA6, 0xCA, 0xF0);
const QColor kObrysDzisiaj(0xFF, 0x80, 0x80);
const QColor kTekstInnegoMiesiaca(0x80, 0x80, 0x80);
const QColor kTekstSwieta(0xFF, 0x00, 0x00);
const QColor kTekstDnia(0x00, 0x00, 0x00);

constexpr int kKolumnaNiedzieli = 7;

QColor KolorTekstuDnia(const QString& tekst, int kolumna, int miesiacDanych)
{
    if (tekst.mid(3, 2).toInt() != miesiacDanych)
        return kTekstInnegoMiesiaca;
    const bool swieto = tekst.size() > kDlugoscDaty;
    return swieto || kolumna == kKolumnaNiedzieli ? kTekstSwieta : kTekstDnia;
}

}  // namespace

QString TekstDaty(const QDate& dzien)
{
    if (!dzien.isValid() || dzien < kPierwszyDzien || dzien > kOstatniDzien)
        return QString();
    return QString::asprintf("%02d.%02d.%04d", dzien.day(), dzien.month(), dzien.year());
}

QDate DataKomorki(const QString& tekst)
{
    if (tekst.size() < kDlugoscDaty)
        return QDate();
    return QDate(tekst.mid(6, 4).toInt(), tekst.mid(3, 2).toInt(), tekst.left(2).toInt());
}

bool KomorkaNaglowka(int wiersz, int kolumna)
{
    return wiersz == 0 || kolumna == 0;
}

int MonthModel::rowCount(const QModelIndex& rodzic) const
{
    return rodzic.isValid() ? 0 : kWiersze;
}

int MonthModel::columnCount(const QModelIndex& rodzic) const
{
    return rodzic.isValid() ? 0 : kKolumny;
}

QVariant MonthModel::data(const QModelIndex& indeks, int rola) const
{
    if (!indeks.isValid() || (rola != Qt::DisplayRole && rola != Qt::AccessibleTextRole))
        return QVariant();
    return m_teksty[indeks.row()][indeks.column()];
}

Qt::ItemFlags MonthModel::flags(const QModelIndex& indeks) const
{
    // Header cells and cells beyond the last representable day can never become current.
    if (!indeks.isValid() || KomorkaNaglowka(indeks.row(), indeks.column())
        || m_teksty[indeks.row()][indeks.column()].isEmpty())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void MonthModel::UstawTekst(int wiersz, int kolumna, const QString& tekst)
{
    if (m_teksty[wiersz][kolumna] == tekst)
        return;
    m_teksty[wiersz][kolumna] = tekst;
    const QModelIndex komorka = index(wiersz, kolumna);
    emit dataChanged(komorka, komorka);
}

CellLook Wyglad(const QString& tekst, int wiersz, int kolumna, bool biezaca,
                     const QString& dzisTekst, int miesiacDanych)
{
    if (KomorkaNaglowka(wiersz, kolumna))
        return {kTloNaglowka, kTloNaglowka, kTekstNaglowka, tekst};

    CellLook wyglad;
    wyglad.wypelnienie = biezaca ? kTloBiezacej : kTloDnia;
    const bool dzisiaj = !tekst.isEmpty() && tekst == dzisTekst;
    wyglad.obrys = dzisiaj ? kObrysDzisiaj : wyglad.wypelnienie;
    wyglad.tekst = KolorTekstuDnia(tekst, kolumna, miesiacDanych);
    if (!tekst.isEmpty())
        wyglad.napis = QString::number(tekst.left(2).toInt());
    return wyglad;
}

DayPainter::DayPainter(const QDate* data, const QString* dzisTekst, QObject* rodzic)
    : QStyledItemDelegate(rodzic), m_data(data), m_dzisTekst(dzisTekst)
{
}

void DayPainter::paint(QPainter* malarz, const QStyleOptionViewItem& opcje,
                         const QModelIndex& indeks) const
{
    const auto* widok = qobject_cast<const QAbstractItemView*>(opcje.widget);
    const bool biezaca = widok && widok->currentIndex() == indeks;
    const CellLook wyglad = Wyglad(indeks.data().toString(), indeks.row(), indeks.column(),
                                        biezaca, *m_dzisTekst, m_data->month());
    const QRect prostokat = opcje.rect;

    malarz->save();
    malarz->fillRect(prostokat, wyglad.wypelnienie);
    malarz->setPen(wyglad.obrys);
    malarz->setBrush(Qt::NoBrush);
    malarz->drawRect(prostokat.adjusted(0, 0, -1, -1));

    // Centred as whole pixels, the way the header and the day numbers line up.
    const QFontMetrics miary(opcje.font);
    const int x = prostokat.left() + (prostokat.width() - miary.horizontalAdvance(wyglad.napis)) / 2;
    const int y = prostokat.top() + (prostokat.height() - miary.size(0, QStringLiteral("XXX")).height()) / 2;
    malarz->setFont(opcje.font);
    malarz->setPen(wyglad.tekst);
    malarz->drawText(QPoint(x, y + miary.ascent()), wyglad.napis);
    malarz->restore();
}

MonthGrid::MonthGrid(QWidget* rodzic) : QTableView(rodzic)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setTabKeyNavigation(false);
    setCornerButtonEnabled(false);
    setMouseTracking(true);
    viewport()->setMouseTracking(true);
}

void MonthGrid::mousePressEvent(QMouseEvent* zdarzenie)
{
    emit przyciskWcisniety();
    QTableView::mousePressEvent(zdarzenie);
}

void MonthGrid::mouseReleaseEvent(QMouseEvent* zdarzenie)
{
    QTableView::mouseReleaseEvent(zdarzenie);
    emit przyciskZwolniony();
}

void MonthGrid::mouseMoveEvent(QMouseEvent* zdarzenie)
{
    QTableView::mouseMoveEvent(zdarzenie);
    emit wskaznikPrzesuniety(zdarzenie->position().toPoint(),
                             zdarzenie->globalPosition().toPoint());
}

void MonthGrid::keyReleaseEvent(QKeyEvent* zdarzenie)
{
    QTableView::keyReleaseEvent(zdarzenie);
    emit klawiszZwolniony();
}

bool MonthGrid::viewportEvent(QEvent* zdarzenie)
{
    // The picker shows its hint itself as soon as the pointer moves, not after the usual delay.
    if (zdarzenie->type() == QEvent::ToolTip) {
        zdarzenie->accept();
        return true;
    }
    return QTableView::viewportEvent(zdarzenie);
}

}  // namespace kalendarz
