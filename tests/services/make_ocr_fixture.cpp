// Renders the picture the recognition tests upload: one Chinese and one English line, black on
// white, 24 px. Run once and commit its output: make_ocr_fixture tests/services/data/ocr_lines.png
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) return 2;
    QImage image(360, 110, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    QFont font("WenQuanYi Micro Hei");
    font.setPixelSize(24);
    p.setFont(font);
    p.setPen(Qt::black);
    p.drawText(20, 42, QString::fromUtf8("今天天气很好。我们去公园"));
    p.drawText(20, 86, QStringLiteral("Hello World"));
    p.end();
    return image.save(QString::fromLocal8Bit(argv[1]), "PNG") ? 0 : 1;
}
