// tq612-iconrender: draws the application icon's SVG into the PNG sizes that
// desktops look up in the hicolor icon theme.
// Usage: tq612-iconrender <icon.svg> <theme folder> <size>...
// writes <theme folder>/<size>x<size>/apps/<icon name>.png for every size.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <icon.svg> <theme folder> <size>...\n", argv[0]);
        return 2;
    }
    const QString svgPath = QString::fromLocal8Bit(argv[1]);
    const QString theme = QString::fromLocal8Bit(argv[2]);
    QSvgRenderer svg(svgPath);
    if (!svg.isValid()) {
        std::fprintf(stderr, "%s: not a readable SVG picture\n", argv[1]);
        return 1;
    }
    const QString name = QFileInfo(svgPath).completeBaseName();
    for (int i = 3; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0) {
            std::fprintf(stderr, "%s: not a size\n", argv[i]);
            return 2;
        }
        // The same drawing as the program's own window icon.
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            svg.render(&painter, QRectF(0, 0, size, size));
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(theme).arg(size);
        const QString file = folder + QLatin1Char('/') + name + QStringLiteral(".png");
        if (!QDir().mkpath(folder) || !image.save(file, "PNG")) {
            std::fprintf(stderr, "%s: cannot write\n", qPrintable(file));
            return 1;
        }
    }
    return 0;
}
