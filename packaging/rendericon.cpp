// SPDX-License-Identifier: GPL-3.0-or-later
// zarn-icon: renders the program's SVG icon as a square PNG of the icon
// theme, at build time.
//
//   zarn-icon SVG SIZE PNG
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

namespace {

// The sizes an icon theme uses lie well inside this range.
constexpr int kSmallestSize = 8;
constexpr int kLargestSize = 1024;

}  // namespace

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: zarn-icon SVG SIZE PNG\n");
        return 2;
    }
    const int size = std::atoi(argv[2]);
    if (size < kSmallestSize || size > kLargestSize) {
        std::fprintf(stderr, "zarn-icon: size %s outside %d..%d\n", argv[2], kSmallestSize, kLargestSize);
        return 2;
    }
    // No window is opened: the offscreen platform serves wherever it builds.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "zarn-icon: %s is not a valid SVG file\n", argv[1]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    if (!image.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "zarn-icon: %s could not be written\n", argv[3]);
        return 1;
    }
    return 0;
}
