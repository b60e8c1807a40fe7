// Saves a rectangle of the X screen as a PNG: qinglan-screengrab X Y WIDTH HEIGHT OUT.png
// (used by scripts/screenshot-main.sh; needs DISPLAY).
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 6) {
        std::fprintf(stderr, "usage: %s X Y WIDTH HEIGHT OUT.png\n", argv[0]);
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "no screen\n");
        return 1;
    }
    const QPixmap shot = screen->grabWindow(0, std::atoi(argv[1]), std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));
    if (shot.isNull() || !shot.save(QString::fromLocal8Bit(argv[5]), "PNG")) {
        std::fprintf(stderr, "could not grab or save %s\n", argv[5]);
        return 1;
    }
    return 0;
}
