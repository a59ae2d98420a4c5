// Renders the scalable application icon into the fixed-size PNGs of the hicolor theme:
// vexor-iconpng ICON.svg OUTPUT-FOLDER SIZE... writes OUTPUT-FOLDER/SIZExSIZE/vexor.png.
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: vexor-iconpng ICON.svg OUTPUT-FOLDER SIZE...\n");
        return 2;
    }
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "vexor-iconpng: %s: not a valid SVG\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i) {
        const int size = std::atoi(argv[i]);
        const QString folder = QString("%1/%2x%2").arg(QString::fromLocal8Bit(argv[2])).arg(size);
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        svg.render(&painter);
        painter.end();
        if (size < 1 || !QDir().mkpath(folder) || !image.save(folder + "/vexor.png", "PNG")) {
            std::fprintf(stderr, "vexor-iconpng: cannot write the %d pixel icon\n", size);
            return 1;
        }
    }
    return 0;
}
