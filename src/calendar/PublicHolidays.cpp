#include "calendar/PublicHolidays.h"

namespace {

const char* const kSwietaStale[] = {
    "01.01=Nowy Rok",
    "01.05=Święto Pracy",
    "03.05=Konstytucji 3 Maja",
    "15.08=Wniebowstąpienie NMP",
    "01.11=Wszystkich Świętych",
    "11.11=Święto Niepodległości",
    "25.12=Boże Narodzenie - 1 dzień",
    "26.12=Boże Narodzenie - 2 dzień",
};

struct SwietoRuchome {
    int dniPoWielkanocy;
    const char* nazwa;
};

const SwietoRuchome kSwietaRuchome[] = {
    {0, "Wielkanoc"},
    {1, "Poniedziałek Wielkanocny"},
    {49, "Zesłanie Ducha Św."},
    {60, "Boże Ciało"},
};

QString KluczDnia(const QDate& dzien)
{
    return QString::asprintf("%02d.%02d", dzien.day(), dzien.month());
}

}  // namespace

QDate easterSunday(int rok)
{
    // C++ division truncates toward zero and % keeps the dividend's sign, as the method assumes.
    const int g = rok % 19;
    const int c = rok / 100;
    const int h = (c - c / 4 - (8 * c + 13) / 25 + 19 * g + 15) % 30;
    const int i = h - (h / 28) * (1 - ((29 / (h + 1)) * (21 - g)) / 11);
    const int j = (rok + rok / 4 + i + 2 - c + c / 4) % 7;
    const int l = i - j;
    const int miesiac = 3 + (l + 40) / 44;
    const int dzien = l + 28 - 31 * (miesiac / 4);
    return QDate(rok, miesiac, dzien);
}

void PublicHolidays::Wyznacz(int rok)
{
    Lista.clear();
    for (const char* linia : kSwietaStale)
        Lista.append(QString::fromUtf8(linia));

    const QDate wielkanoc = easterSunday(rok);
    for (const SwietoRuchome& swieto : kSwietaRuchome)
        Lista.append(KluczDnia(wielkanoc.addDays(swieto.dniPoWielkanocy)) + QLatin1Char('=')
                     + QString::fromUtf8(swieto.nazwa));
}

QString PublicHolidays::Nazwa(const QString& klucz) const
{
    for (const QString& linia : Lista) {
        const int rownosc = linia.indexOf(QLatin1Char('='));
        if (rownosc < 0)
            continue;
        if (QStringView(linia).left(rownosc).compare(klucz, Qt::CaseInsensitive) == 0)
            return linia.mid(rownosc + 1);
    }
    return QString();
}
