#pragma once
// A text as a QR code, made by libqrencode (error correction level M, the text as 8-bit
// data): as a picture to send or show, or drawn as squares on a page, which stays sharp
// at any printer's resolution. Both keep the quiet zone of four modules that readers need.
#include <QImage>
#include <QRectF>
#include <QString>
#include <vector>

class QPainter;

namespace controls {

struct QrModules {
    int size = 0;            // modules on a side, without the quiet zone; 0: not made
    std::vector<bool> dark;  // size * size, row by row
    bool isDark(int x, int y) const { return dark[size_t(y * size + x)]; }
};

// The modules of the text's QR code; size 0 when libqrencode could not make it.
QrModules qrModules(const QString& text);

// Black modules on white, `moduleSize` pixels each, with the quiet zone; a null image when
// the code could not be made.
QImage qrImage(const QString& text, int moduleSize = 8);

// The code drawn in the largest square that fits `box`, centred in it, quiet zone
// included; false (nothing drawn) when it could not be made.
bool drawQrCode(QPainter& painter, const QRectF& box, const QString& text);

}  // namespace controls
