#include "controls/Colours.h"

namespace controls {

QColor rowBackground(bool current, bool focused, int recNo, const QColor& window)
{
    if (current)
        return windowsColor(focused ? colours::CurrentFocused : colours::CurrentUnfocused);
    return recNo % 2 == 1 ? windowsColor(colours::OddRow) : window;
}

}  // namespace controls
