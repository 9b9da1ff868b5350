#include "controls/Colours.h"

namespace controls {

QColor rowBackground(bool biezacy, bool fokus, int recNo, const QColor& okno)
{
    if (biezacy)
        return windowsColor(fokus ? colours::CurrentFocused : colours::CurrentUnfocused);
    return recNo % 2 == 1 ? windowsColor(colours::OddRow) : okno;
}

}  // namespace controls
