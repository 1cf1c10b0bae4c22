// Draws the program's pictures: the three 80 x 80 count icons and the
// application icon at each size the desktop asks for. The PNGs it writes are
// kept in res/icons/; run it again only to change a picture:
//   vokari-draw-icons res/icons
#include <cstdio>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kIconSize = 80;

// Glyphs are drawn in the icon's 80-unit square.
void musicNote(QPainter& p) {
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(22, 48, 12, 9));
    p.drawEllipse(QRectF(44, 44, 12, 9));
    p.drawLine(QPointF(33, 52), QPointF(33, 25));
    p.drawLine(QPointF(55, 48), QPointF(55, 21));
    QPen beam = p.pen();
    beam.setWidthF(6);
    p.setPen(beam);
    p.drawLine(QPointF(33, 25), QPointF(55, 21));
}

void personOutline(QPainter& p) {
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(36, 27), 8, 8);
    QPainterPath body;
    body.moveTo(19, 62);
    body.cubicTo(19, 50, 26, 45, 36, 45);
    body.cubicTo(46, 45, 53, 50, 53, 62);
    body.closeSubpath();
    p.drawPath(body);
}

void heart(QPainter& p) {
    QPainterPath path;
    path.moveTo(62, 68);
    path.cubicTo(52, 61, 52, 53, 57, 52);
    path.cubicTo(60, 51.5, 62, 54, 62, 55.5);
    path.cubicTo(62, 54, 64, 51.5, 67, 52);
    path.cubicTo(72, 53, 72, 61, 62, 68);
    p.setBrush(Qt::white);
    p.drawPath(path);
}

void leftArrow(QPainter& p) {
    p.drawLine(QPointF(68, 63), QPointF(56, 63));
    p.drawLine(QPointF(56, 63), QPointF(61, 58));
    p.drawLine(QPointF(56, 63), QPointF(61, 68));
}

QPen glyphPen() {
    QPen pen(Qt::white);
    pen.setWidthF(3.5);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

template <typename Glyphs>
QImage countIcon(QColor circle, Glyphs drawGlyphs) {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(circle);
        p.drawEllipse(QRectF(0.5, 0.5, kIconSize - 1, kIconSize - 1));
        p.setPen(glyphPen());
        drawGlyphs(p);
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

// The application icon: the works note on a coral tile with a purple rim.
QImage applicationIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / double(kIconSize), size / double(kIconSize));
        p.setPen(QPen(QColor(182, 155, 222), 4));
        p.setBrush(QColor(238, 121, 113));
        p.drawRoundedRect(QRectF(3, 3, 74, 74), 16, 16);
        p.setPen(glyphPen());
        musicNote(p);
    }
    return image.convertToFormat(QImage::Format_ARGB32);
}

bool save(const QImage& image, const QDir& folder, const QString& name) {
    const QString path = folder.filePath(name);
    if (image.save(path, "PNG")) return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("."));
    bool ok = save(countIcon(QColor(238, 121, 113), musicNote), folder, QStringLiteral("works.png"));
    ok &= save(countIcon(QColor(157, 200, 94), [](QPainter& p) { personOutline(p); heart(p); }), folder,
               QStringLiteral("follows.png"));
    ok &= save(countIcon(QColor(182, 155, 222), [](QPainter& p) { personOutline(p); leftArrow(p); }), folder,
               QStringLiteral("fans.png"));
    for (const int size : {128, 96, 64, 48, 32})
        ok &= save(applicationIcon(size), folder, QStringLiteral("vokari-%1.png").arg(size));
    return ok ? 0 : 1;
}
