#include "controls/QrCode.h"

#include <QPainter>
#include <memory>
#include <qrencode.h>

namespace controls {

namespace {

constexpr int QuietZone = 4;  // modules of white around the code, as the standard asks

}  // namespace

QrModules qrModules(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::unique_ptr<QRcode, decltype(&QRcode_free)> code(
        QRcode_encodeData(bytes.size(), reinterpret_cast<const unsigned char*>(bytes.constData()),
                          0, QR_ECLEVEL_M),
        &QRcode_free);
    QrModules modules;
    if (!code)
        return modules;
    modules.size = code->width;
    modules.dark.resize(size_t(code->width) * size_t(code->width));
    for (size_t i = 0; i < modules.dark.size(); ++i)
        modules.dark[i] = (code->data[i] & 1) != 0;  // bit 0: a dark module
    return modules;
}

QImage qrImage(const QString& text, int moduleSize)
{
    const QrModules modules = qrModules(text);
    if (modules.size == 0 || moduleSize < 1)
        return {};
    const int side = (modules.size + 2 * QuietZone) * moduleSize;
    QImage image(side, side, QImage::Format_Mono);
    image.setColor(0, qRgb(255, 255, 255));
    image.setColor(1, qRgb(0, 0, 0));
    image.fill(0);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int mx = x / moduleSize - QuietZone, my = y / moduleSize - QuietZone;
            if (mx >= 0 && my >= 0 && mx < modules.size && my < modules.size &&
                modules.isDark(mx, my))
                image.setPixel(x, y, 1);
        }
    return image;
}

bool drawQrCode(QPainter& painter, const QRectF& box, const QString& text)
{
    const QrModules modules = qrModules(text);
    if (modules.size == 0)
        return false;
    const qreal side = std::min(box.width(), box.height());
    const qreal module = side / (modules.size + 2 * QuietZone);
    const QPointF origin(box.center().x() - side / 2 + QuietZone * module,
                         box.center().y() - side / 2 + QuietZone * module);
    painter.save();
    painter.fillRect(QRectF(box.center().x() - side / 2, box.center().y() - side / 2, side, side),
                     Qt::white);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    // A hair more than a module, so that no white seam shows between neighbours.
    const qreal overlap = module * 0.02;
    for (int y = 0; y < modules.size; ++y)
        for (int x = 0; x < modules.size; ++x)
            if (modules.isDark(x, y))
                painter.drawRect(QRectF(origin.x() + x * module, origin.y() + y * module,
                                        module + overlap, module + overlap));
    painter.restore();
    return true;
}

}  // namespace controls
