// Renders the front panel's artwork into the pictures the program ships:
// the face as a JPEG, the LCD marks as JPEGs and the battery levels as PNGs.
// Usage: panel-render <folder with face.svg and marks.svg> <output folder>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSvgRenderer>
#include <cmath>
#include <cstdio>

namespace {

bool save(const QImage& image, const QString& path, int quality)
{
    QImageWriter writer(path);
    writer.setQuality(quality);
    writer.setOptimizedWrite(true);
    if (!writer.write(image)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(writer.errorString()));
        return false;
    }
    return true;
}

QImage renderWhole(QSvgRenderer& svg)
{
    QImage image(svg.defaultSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    svg.render(&painter);
    return image;
}

// One element at its own size: the group's bounds are its background rectangle.
QImage renderElement(QSvgRenderer& svg, const QString& id)
{
    const QRectF bounds = svg.boundsOnElement(id);
    const QSize size(int(std::lround(bounds.width())), int(std::lround(bounds.height())));
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    svg.render(&painter, id, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <svg folder> <output folder>\n", argv[0]);
        return 2;
    }
    const QString in = QString::fromLocal8Bit(argv[1]);
    const QString out = QString::fromLocal8Bit(argv[2]);

    QSvgRenderer face(in + QStringLiteral("/face.svg"));
    QSvgRenderer marks(in + QStringLiteral("/marks.svg"));
    if (!face.isValid() || !marks.isValid()) {
        std::fprintf(stderr, "cannot read the SVG files in %s\n", argv[1]);
        return 1;
    }

    bool ok = save(renderWhole(face), out + QStringLiteral("/panel.jpg"), 92);
    const char* jpegMarks[] = {"MAX", "MIN", "AVG", "HOLD", "REC", "FULL", "AUTOOFF", "K", "DEGC", "DEGF"};
    for (const char* id : jpegMarks)
        ok &= save(renderElement(marks, QLatin1String(id)), out + QStringLiteral("/%1.jpg").arg(QLatin1String(id)), 95);
    for (int level = 0; level < 4; ++level)
        ok &= save(renderElement(marks, QStringLiteral("BAT%1").arg(level)), out + QStringLiteral("/BAT%1.png").arg(level), -1);
    return ok ? 0 : 1;
}
