#include "panel/PanelPictures.h"

#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QtGlobal>
#include <cmath>
#include <mutex>

static void initPanelResource()
{
    Q_INIT_RESOURCE(panel);   // must stand outside any namespace
}

namespace {

QSize roundedSize(const QSizeF& size)
{
    return QSize(int(std::lround(size.width())), int(std::lround(size.height())));
}

// Draws the element `id` of `svg` (the whole picture when empty) onto white,
// `logical` pixels in size with `ratio` device pixels to each; `drawn` is the
// element's own size, which may reach beyond the picture.
QPixmap draw(QSvgRenderer& svg, const QString& id, const QSize& logical, const QSizeF& drawn, qreal ratio)
{
    QImage image(roundedSize(QSizeF(logical) * ratio), QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QRectF target(QPointF(0, 0), drawn * ratio);
        if (id.isEmpty())
            svg.render(&painter, target);
        else
            svg.render(&painter, id, target);
    }
    image.setDevicePixelRatio(ratio);
    return QPixmap::fromImage(image);
}

} // namespace

void PanelPictures::registerResources()
{
    static std::once_flag once;
    std::call_once(once, initPanelResource);
}

QPixmap PanelPictures::face(qreal ratio)
{
    registerResources();
    QSvgRenderer svg(QStringLiteral(":/panel/face.svg"));
    if (!svg.isValid())
        return {};
    return draw(svg, QString(), svg.defaultSize(), svg.defaultSize(), ratio);
}

QPixmap PanelPictures::mark(const QString& name, const QSize& size, qreal ratio)
{
    registerResources();
    QSvgRenderer svg(QStringLiteral(":/panel/marks.svg"));
    if (!svg.isValid() || !svg.elementExists(name))
        return {};
    // The group's bounds start at its background's corner and take in the
    // whole of its lettering, whose line height may reach below the background.
    return draw(svg, name, size, svg.boundsOnElement(name).size(), ratio);
}
