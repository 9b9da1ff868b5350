#pragma once
// What a screen reader hears of labels that show data and of scroll bars.
#include <QString>

class QAbstractScrollArea;
class QLabel;

namespace controls {

// The label shows a value under a caption: its name is "caption: value" (the caption
// alone while it is empty), whatever text it is given later. Call before it is shown.
void markDataLabel(QLabel* label, const QString& caption);

// The scroll bars of a box or a list get names after it.
void nameScrollBars(QAbstractScrollArea* area, const QString& caption);

}  // namespace controls
