#include "chart/PlotPictures.h"

#include <QBuffer>
#include <QImage>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QPixmap>
#include <qcustomplot.h>

namespace PlotPictures {

namespace {
constexpr double MetersPerInch = 0.0254;
constexpr int ScreenDpi = 96;
}  // namespace

QByteArray png(QCustomPlot& plot, int width, int height)
{
    QImage image = plot.toPixmap(width, height).toImage();
    if (image.isNull())
        return {};
    // The picture says it is meant for a screen, as pictures from the screen do.
    const int dotsPerMeter = int(ScreenDpi / MetersPerInch);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return {};
    return bytes;
}

QByteArray pdf(QCustomPlot& plot)
{
    const QSize size = plot.size();
    if (size.isEmpty())
        return {};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        // At the screen's resolution the fonts keep their size relative to
        // the plot, as the window shows them.
        writer.setResolution(plot.logicalDpiY());
        writer.setPageLayout(QPageLayout(QPageSize(size, QPageSize::Point, QString(), QPageSize::ExactMatch),
                                         QPageLayout::Portrait, QMarginsF(), QPageLayout::Point));
        QCPPainter painter;
        if (!painter.begin(&writer))
            return {};
        painter.setMode(QCPPainter::pmVectorized);
        painter.setMode(QCPPainter::pmNoCaching);
        // Lines get a width on the page, so a viewer's zoom scales them with the rest.
        painter.setMode(QCPPainter::pmNonCosmetic);
        painter.setWindow(QRect(QPoint(0, 0), size));
        plot.toPainter(&painter, size.width(), size.height());
        if (!painter.end())
            return {};
    }
    return bytes;
}

}  // namespace PlotPictures
