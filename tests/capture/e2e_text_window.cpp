// A window with known Chinese and English text at a fixed place, for the capture end-to-end test.
//   e2e_text_window   (shows until killed)
#include <QApplication>
#include <QFont>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label;
    label.setWindowFlags(Qt::FramelessWindowHint);
    label.setWindowTitle(QStringLiteral("capture-e2e-text"));
    label.setStyleSheet(QStringLiteral("QLabel { background: white; color: black; }"));
    QFont font(QStringLiteral("WenQuanYi Micro Hei"));
    font.setPixelSize(40);
    label.setFont(font);
    label.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label.setContentsMargins(30, 0, 0, 0);
    label.setText(QString::fromUtf8("你好世界\nHello World"));
    label.setGeometry(60, 60, 700, 220);
    label.show();
    return app.exec();
}
