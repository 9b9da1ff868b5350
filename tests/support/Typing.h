#pragma once
// Types text into a widget key by key, Polish letters included (QTest::keyClicks knows
// only ASCII).
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace testsupport {

inline void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

}  // namespace testsupport
