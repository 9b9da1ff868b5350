#pragma once
// The program's pictures, drawn at the size asked for; each icon carries a grey set
// for disabled actions.
#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace controls {

enum class Obraz {
    Firmy, Personel, Goscie, Szukaj, Info, Wizyty, OProgramie, KopiaBazy, WyborBazy,
    Dzial,          // a department node of a tree
    Dodaj, DodajPodrzedny, Usun, Edytuj, WGore, WDol,
};

QPixmap rysuj(Obraz obraz, int size, bool szary = false);
QIcon ikona(Obraz obraz, int size);

// Pointers shown while a department is dragged.
enum class KursorDrzewa { WstawPrzed, NowyPodrzedny, DodajNaKoniec };
QCursor kursorDrzewa(KursorDrzewa rodzaj);

}  // namespace controls
