#include "controls/Icons.h"

#include <QPainter>
#include <QPainterPath>
#include <map>

namespace controls {
namespace {

QColor colourOf(Picture picture)
{
    switch (picture) {
    case Picture::Companies: return QColor(0x2E, 0x6D, 0xB4);
    case Picture::Personnel: return QColor(0x3A, 0x8F, 0x5C);
    case Picture::Guests: return QColor(0xC0, 0x7A, 0x1E);
    case Picture::Search: return QColor(0x5B, 0x4F, 0xA8);
    case Picture::Info: return QColor(0x1F, 0x8A, 0xA8);
    case Picture::Visits: return QColor(0xB0, 0x3A, 0x48);
    case Picture::Overview: return QColor(0x2F, 0x7F, 0x7A);
    case Picture::About: return QColor(0x55, 0x60, 0x6E);
    case Picture::Backup: case Picture::DatabaseChoice: return QColor(0x6B, 0x5B, 0x3E);
    case Picture::Department: return QColor(0xD9, 0xA4, 0x2B);
    case Picture::Add: case Picture::AddChild: return QColor(0x3A, 0x8F, 0x5C);
    case Picture::Delete: return QColor(0xB0, 0x3A, 0x48);
    case Picture::Edit: return QColor(0x2E, 0x6D, 0xB4);
    case Picture::Up: case Picture::Down: return QColor(0x55, 0x60, 0x6E);
    }
    return Qt::darkGray;
}

QColor greyed(const QColor& c)
{
    const int g = qGray(c.rgb());
    return QColor(g, g, g).lighter(130);
}

void drawPerson(QPainter& p, QPointF centre, qreal s)
{
    p.drawEllipse(QPointF(centre.x(), centre.y() - s * 0.22), s * 0.16, s * 0.16);
    QPainterPath shoulders;
    shoulders.moveTo(centre.x() - s * 0.30, centre.y() + s * 0.32);
    shoulders.quadTo(centre.x() - s * 0.30, centre.y() - s * 0.02, centre.x(), centre.y() - s * 0.02);
    shoulders.quadTo(centre.x() + s * 0.30, centre.y() - s * 0.02, centre.x() + s * 0.30, centre.y() + s * 0.32);
    shoulders.closeSubpath();
    p.drawPath(shoulders);
}

void drawArrow(QPainter& p, qreal s, bool up)
{
    QPolygonF head;
    const qreal y0 = up ? 0.22 : 0.78, y1 = up ? 0.52 : 0.48;
    head << QPointF(s * 0.5, s * y0) << QPointF(s * 0.22, s * y1) << QPointF(s * 0.78, s * y1);
    p.drawPolygon(head);
    p.drawRect(QRectF(s * 0.40, up ? s * 0.50 : s * 0.22, s * 0.20, s * 0.28));
}

void drawPlus(QPainter& p, QPointF c, qreal r)
{
    p.drawRect(QRectF(c.x() - r, c.y() - r * 0.3, 2 * r, r * 0.6));
    p.drawRect(QRectF(c.x() - r * 0.3, c.y() - r, r * 0.6, 2 * r));
}

void sign(QPainter& p, Picture picture, qreal s, const QColor& fill)
{
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    switch (picture) {
    case Picture::Companies: {
        p.drawRect(QRectF(s * 0.28, s * 0.18, s * 0.44, s * 0.64));
        p.setBrush(fill);
        for (int r = 0; r < 3; ++r)
            for (int k = 0; k < 2; ++k)
                p.drawRect(QRectF(s * (0.34 + k * 0.18), s * (0.25 + r * 0.15), s * 0.12, s * 0.09));
        p.drawRect(QRectF(s * 0.44, s * 0.68, s * 0.12, s * 0.14));
        break;
    }
    case Picture::Personnel:
        drawPerson(p, QPointF(s * 0.36, s * 0.52), s * 0.8);
        p.setBrush(QColor(255, 255, 255, 200));
        drawPerson(p, QPointF(s * 0.66, s * 0.56), s * 0.7);
        break;
    case Picture::Guests:
        drawPerson(p, QPointF(s * 0.42, s * 0.52), s * 0.85);
        p.setBrush(QColor(0xFF, 0xE0, 0x80));
        p.drawRoundedRect(QRectF(s * 0.58, s * 0.52, s * 0.24, s * 0.18), s * 0.03, s * 0.03);
        break;
    case Picture::Search:
        p.setPen(QPen(Qt::white, s * 0.09, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(s * 0.44, s * 0.44), s * 0.18, s * 0.18);
        p.drawLine(QPointF(s * 0.57, s * 0.57), QPointF(s * 0.76, s * 0.76));
        break;
    case Picture::Info:
        p.drawEllipse(QPointF(s * 0.5, s * 0.27), s * 0.07, s * 0.07);
        p.drawRoundedRect(QRectF(s * 0.43, s * 0.40, s * 0.14, s * 0.38), s * 0.03, s * 0.03);
        break;
    case Picture::Visits:
        p.setPen(QPen(Qt::white, s * 0.07));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(s * 0.5, s * 0.5), s * 0.27, s * 0.27);
        p.setPen(QPen(Qt::white, s * 0.07, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.5, s * 0.32));
        p.drawLine(QPointF(s * 0.5, s * 0.5), QPointF(s * 0.63, s * 0.58));
        break;
    case Picture::Overview:  // a clipboard with a list of people, the first ticked
        p.drawRoundedRect(QRectF(s * 0.26, s * 0.2, s * 0.48, s * 0.62), s * 0.04, s * 0.04);
        p.setBrush(fill.darker(140));
        p.drawRoundedRect(QRectF(s * 0.38, s * 0.14, s * 0.24, s * 0.12), s * 0.03, s * 0.03);
        p.setBrush(fill);
        for (int line = 0; line < 3; ++line) {
            const qreal y = s * (0.36 + line * 0.14);
            p.drawEllipse(QPointF(s * 0.36, y), s * 0.04, s * 0.04);
            p.drawRect(QRectF(s * 0.44, y - s * 0.025, s * 0.22, s * 0.05));
        }
        break;
    case Picture::About: {
        QFont f;
        f.setBold(true);
        f.setPixelSize(int(s * 0.62));
        p.setFont(f);
        p.setPen(Qt::white);
        p.drawText(QRectF(0, 0, s, s), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    case Picture::Backup:
    case Picture::DatabaseChoice:
        p.drawRect(QRectF(s * 0.26, s * 0.30, s * 0.48, s * 0.40));
        p.drawEllipse(QRectF(s * 0.26, s * 0.62, s * 0.48, s * 0.16));
        p.setBrush(QColor(0xE8, 0xDC, 0xC0));
        p.drawEllipse(QRectF(s * 0.26, s * 0.22, s * 0.48, s * 0.16));
        break;
    case Picture::Department:  // drawn whole by drawPicture()
        break;
    case Picture::Add:
        drawPlus(p, QPointF(s * 0.5, s * 0.5), s * 0.26);
        break;
    case Picture::AddChild:
        p.drawRect(QRectF(s * 0.22, s * 0.20, s * 0.08, s * 0.46));
        p.drawRect(QRectF(s * 0.22, s * 0.58, s * 0.20, s * 0.08));
        drawPlus(p, QPointF(s * 0.62, s * 0.62), s * 0.17);
        break;
    case Picture::Delete:
        p.drawRect(QRectF(s * 0.24, s * 0.42, s * 0.52, s * 0.16));
        break;
    case Picture::Edit: {
        QPolygonF drawPencil;
        drawPencil << QPointF(s * 0.26, s * 0.74) << QPointF(s * 0.30, s * 0.58)
               << QPointF(s * 0.62, s * 0.26) << QPointF(s * 0.74, s * 0.38)
               << QPointF(s * 0.42, s * 0.70);
        p.drawPolygon(drawPencil);
        break;
    }
    case Picture::Up:
        drawArrow(p, s, true);
        break;
    case Picture::Down:
        drawArrow(p, s, false);
        break;
    }
}

}  // namespace

QPixmap drawPicture(Picture picture, int size, bool grey)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor fill = grey ? greyed(colourOf(picture)) : colourOf(picture);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    const qreal s = size;
    if (picture == Picture::Department) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(s * 0.08, s * 0.26, s * 0.84, s * 0.58), s * 0.08, s * 0.08);
        p.drawRoundedRect(QRectF(s * 0.08, s * 0.16, s * 0.38, s * 0.20), s * 0.06, s * 0.06);
        p.setBrush(fill.lighter(135));
        p.drawRoundedRect(QRectF(s * 0.08, s * 0.36, s * 0.84, s * 0.48), s * 0.08, s * 0.08);
        p.restore();
        return pixmap;
    }
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.06, s * 0.88, s * 0.88), s * 0.18, s * 0.18);
    sign(p, picture, s, fill);
    return pixmap;
}

QIcon icon(Picture picture, int size)
{
    // Drawn once a size: every list and toolbar shows the same picture.
    static std::map<std::pair<Picture, int>, QIcon> drawn;
    QIcon& icon = drawn[{picture, size}];
    if (icon.isNull()) {
        icon.addPixmap(drawPicture(picture, size), QIcon::Normal);
        icon.addPixmap(drawPicture(picture, size, true), QIcon::Disabled);
    }
    return icon;
}

QCursor treeCursor(TreeCursor kind)
{
    constexpr int kSize = 32;
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    // The arrow of the pointer.
    QPolygonF arrow;
    arrow << QPointF(1, 1) << QPointF(1, 17) << QPointF(5, 13) << QPointF(8, 20)
          << QPointF(10, 19) << QPointF(7, 12) << QPointF(12, 12);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    // The mark of where the department goes.
    p.setPen(QPen(QColor(0x2E, 0x6D, 0xB4), 2));
    p.setBrush(QColor(0xD9, 0xA4, 0x2B));
    switch (kind) {
    case TreeCursor::InsertBefore:
        p.drawLine(QPointF(12, 22), QPointF(30, 22));
        p.drawRect(QRectF(16, 25, 12, 5));
        break;
    case TreeCursor::NewChild:
        p.drawRect(QRectF(13, 18, 12, 5));
        p.drawLine(QPointF(17, 23), QPointF(17, 28));
        p.drawLine(QPointF(17, 28), QPointF(21, 28));
        p.drawRect(QRectF(21, 26, 9, 4));
        break;
    case TreeCursor::AppendAtEnd:
        p.drawRect(QRectF(16, 18, 12, 5));
        p.drawLine(QPointF(12, 27), QPointF(30, 27));
        break;
    }
    return QCursor(pixmap, 1, 1);
}

}  // namespace controls
