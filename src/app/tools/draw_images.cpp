// Draws the monitor's eight images: the five tray icons (32 px, readable down to 16 px) and the three
// lamps of the settings window (16 px); with --icons, the application icon in the hicolor sizes
// (<dir>/hicolor/<n>x<n>/apps/carrowen.png). Usage: carrowen_draw_images [--icons] <output directory>
#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QString>

#include <cstdio>
#include <cstring>

namespace {

QImage blank(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// A filled disc with a darker rim and a soft highlight, the base of every image.
void disc(QPainter& p, int size, const QColor& colour)
{
    const QRectF box(1.0, 1.0, size - 2.0, size - 2.0);
    QRadialGradient shade(box.center() - QPointF(size * 0.15, size * 0.15), size * 0.6);
    shade.setColorAt(0.0, colour.lighter(140));
    shade.setColorAt(1.0, colour);
    p.setBrush(shade);
    p.setPen(QPen(colour.darker(160), size / 16.0));
    p.drawEllipse(box);
}

// The 32-unit drawing of a tray icon; the painter may scale it to any size.
void drawTrayIcon(QPainter& p, const QColor& colour, int mark)
{
    const int size = 32;
    p.setRenderHint(QPainter::Antialiasing);
    disc(p, size, colour);
    QPen pen(Qt::white, 4.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    if (mark == 1) { // a tick: connection up
        QPainterPath path;
        path.moveTo(9, 16.5);
        path.lineTo(14, 21.5);
        path.lineTo(23, 10.5);
        p.drawPath(path);
    } else if (mark == 2) { // a cross: connection down
        p.drawLine(QPointF(11, 11), QPointF(21, 21));
        p.drawLine(QPointF(21, 11), QPointF(11, 21));
    } else if (mark == 3) { // a bar: monitoring switched off
        p.drawLine(QPointF(10, 16), QPointF(22, 16));
    } else if (mark == 4) { // three dots: a change waiting to be confirmed
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        for (const qreal x : {9.5, 16.0, 22.5}) {
            p.drawEllipse(QPointF(x, 16.0), 2.4, 2.4);
        }
    }
}

QImage trayIcon(const QColor& colour, int mark)
{
    QImage image = blank(32);
    QPainter p(&image);
    drawTrayIcon(p, colour, mark);
    return image;
}

// The application's icon for menus and launchers: the "up" tray icon drawn at the given size.
QImage appIcon(int size)
{
    QImage image = blank(size);
    QPainter p(&image);
    p.scale(size / 32.0, size / 32.0);
    drawTrayIcon(p, QColor(0x2e, 0xa0, 0x43), 1);
    return image;
}

QImage lamp(const QColor& colour)
{
    const int size = 16;
    QImage image = blank(size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    disc(p, size, colour);
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    const bool icons = argc == 3 && std::strcmp(argv[1], "--icons") == 0;
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s [--icons] <output directory>\n", argv[0]);
        return 2;
    }
    if (icons) {
        for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString dir = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/hicolor/%1x%1/apps").arg(size);
            if (!QDir().mkpath(dir) || !appIcon(size).save(dir + QStringLiteral("/carrowen.png"), "PNG")) {
                std::fprintf(stderr, "cannot write the icons into %s\n", argv[2]);
                return 1;
            }
        }
        return 0;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    if (!out.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    const struct
    {
        const char* name;
        QImage image;
    } images[] = {
        {"checkOk.png", trayIcon(QColor(0x2e, 0xa0, 0x43), 1)},
        {"checkFail.png", trayIcon(QColor(0xd0, 0x2b, 0x2b), 2)},
        {"checkBlack.png", trayIcon(QColor(0x30, 0x30, 0x30), 0)},
        {"checkOff.png", trayIcon(QColor(0x9a, 0x9a, 0x9a), 3)},
        {"checkUnsure.png", trayIcon(QColor(0xe0, 0x9a, 0x1a), 4)},
        {"blackLed.png", lamp(QColor(0x28, 0x28, 0x28))},
        {"greenLed.png", lamp(QColor(0x22, 0xc0, 0x3a))},
        {"redLed.png", lamp(QColor(0xe0, 0x20, 0x20))},
    };
    for (const auto& entry : images) {
        const QString path = out.filePath(QString::fromLatin1(entry.name));
        if (!entry.image.save(path, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
