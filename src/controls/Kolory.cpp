#include "controls/Kolory.h"

namespace controls {

QColor tloWiersza(bool biezacy, bool fokus, int recNo, const QColor& okno)
{
    if (biezacy)
        return windowsColor(fokus ? kolory::kBiezacyZFokusem : kolory::kBiezacyBezFokusu);
    return recNo % 2 == 1 ? windowsColor(kolory::kNieparzystyWiersz) : okno;
}

}  // namespace controls
