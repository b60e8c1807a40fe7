// Draws the about window's banner (550 x 166) and writes it as a PNG: make_banner OUT.png
#include <QApplication>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    QApplication app(argc, argv);
    QImage img(550, 166, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 550, 166);
    sky.setColorAt(0.0, QColor(232, 242, 255));
    sky.setColorAt(0.55, QColor(206, 226, 252));
    sky.setColorAt(1.0, QColor(176, 206, 246));
    p.fillRect(img.rect(), sky);

    // Soft light in the upper right.
    QRadialGradient glow(470, 30, 140);
    glow.setColorAt(0.0, QColor(255, 255, 255, 190));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(img.rect(), glow);

    // Two layers of distant hills: the "blue haze" of the name.
    auto hills = [&](int base, int amp, QColor c, double phase) {
        QPainterPath path;
        path.moveTo(0, 166);
        path.lineTo(0, base);
        for (int x = 0; x <= 550; x += 10) {
            double t = x / 550.0 * 6.283 * 1.4 + phase;
            path.lineTo(x, base - amp * (0.6 * std::sin(t) + 0.4 * std::sin(2.3 * t + 1.0)));
        }
        path.lineTo(550, 166);
        path.closeSubpath();
        p.fillPath(path, c);
    };
    hills(128, 16, QColor(140, 180, 232, 150), 0.3);
    hills(146, 11, QColor(92, 142, 214, 190), 2.1);

    // A picture frame turning into lines of text: what the program does.
    p.setPen(QPen(QColor(47, 111, 214), 2.5));
    p.setBrush(QColor(255, 255, 255, 220));
    p.drawRoundedRect(QRectF(34, 34, 74, 74), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(74, 142, 240));
    for (int i = 0; i < 4; ++i) p.drawRoundedRect(QRectF(48, 50 + i * 13, i == 3 ? 28 : 46, 6), 3, 3);
    p.setBrush(QColor(255, 255, 255, 230));
    p.drawEllipse(QPointF(100, 100), 15, 15);
    p.setPen(QPen(QColor(47, 111, 214), 3));
    p.drawEllipse(QPointF(100, 100), 9, 9);
    p.drawLine(QPointF(107, 107), QPointF(114, 114));

    QFont title("WenQuanYi Micro Hei");
    title.setPixelSize(44);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(255, 255, 255, 160));
    p.drawText(QPointF(134, 84), QString::fromUtf8("青岚识文"));
    p.setPen(QColor(30, 72, 146));
    p.drawText(QPointF(132, 82), QString::fromUtf8("青岚识文"));

    QFont sub("WenQuanYi Micro Hei");
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(QColor(50, 92, 160));
    p.drawText(QPointF(136, 112), QString::fromUtf8("图片文字识别  ·  中英互译"));
    p.end();
    return img.save(QString::fromLocal8Bit(argv[1]), "PNG", 9) ? 0 : 1;
}
