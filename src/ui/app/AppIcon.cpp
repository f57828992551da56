#include "app/AppIcon.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <QtGlobal>
#include <mutex>

static void initIconResource()
{
    Q_INIT_RESOURCE(icons);   // must stand outside any namespace
}

QImage AppIcon::draw(int size)
{
    static std::once_flag once;
    std::call_once(once, initIconResource);
    return drawFile(QStringLiteral(":/icons/tq612.svg"), size);
}

QImage AppIcon::drawFile(const QString& svgFile, int size)
{
    QSvgRenderer svg(svgFile);
    if (!svg.isValid())
        return {};
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter, QRectF(0, 0, size, size));
    return image;
}

QIcon AppIcon::icon()
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(draw(size)));
    return icon;
}
