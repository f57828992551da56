// The front panel's pictures are drawn for the screen's pixel density: a
// picture for a ratio-2 screen has twice the pixels each way and is drawn at
// that resolution, not blown up from the ordinary one.
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

namespace {

QPixmap picture(const QString& name, const QSize& size, qreal ratio)
{
    return name.isEmpty() ? PanelPictures::face(ratio) : PanelPictures::mark(name, size, ratio);
}

// Aligned 2 x 2 blocks whose four pixels differ: none in a picture that was
// doubled from one of half the size.
int detailedBlocks(const QImage& image)
{
    int count = 0;
    for (int y = 0; y + 1 < image.height(); y += 2)
        for (int x = 0; x + 1 < image.width(); x += 2) {
            const QRgb p = image.pixel(x, y);
            if (image.pixel(x + 1, y) != p || image.pixel(x, y + 1) != p || image.pixel(x + 1, y + 1) != p)
                ++count;
        }
    return count;
}

// The mean difference of all channels, 0 to 255.
double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// The LCD's glass colour, give or take the edge of a mark's own drawing.
bool nearGlass(QRgb pixel)
{
    return std::abs(qRed(pixel) - 0xb7) < 24 && std::abs(qGreen(pixel) - 0xc2) < 24 && std::abs(qBlue(pixel) - 0xa4) < 24;
}

struct PictureCase {
    const char* name;   // "" for the face
    QSize size;         // the place it fills on the panel
};

const PictureCase Pictures[] = {
    {"", PanelLayout::Face},
    {"HOLD", PanelLayout::HoldMark.size()},
    {"DEGC", PanelLayout::unitMark(0).size()},
    {"BAT2", PanelLayout::Battery.size()},
};

} // namespace

TEST(PanelPictures, DrawnAtTheScreensPixelRatio)
{
    for (const PictureCase& c : Pictures) {
        for (qreal ratio : {1.0, 1.5, 2.0, 3.0}) {
            SCOPED_TRACE(testing::Message() << '"' << c.name << "\" at " << ratio);
            const QPixmap pixmap = picture(QLatin1String(c.name), c.size, ratio);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
            // The panel's layout sees the same size on every screen...
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), c.size);
            // ...made of ratio times as many pixels each way.
            EXPECT_EQ(pixmap.size(), (QSizeF(c.size) * ratio).toSize());
            // A mark's background fills its place: no white edge on the LCD.
            const QImage image = pixmap.toImage();
            if (*c.name && ratio == std::floor(ratio))
                for (QPoint corner : {QPoint(0, 0), QPoint(image.width() - 1, 0), QPoint(0, image.height() - 1),
                                      QPoint(image.width() - 1, image.height() - 1)})
                    EXPECT_TRUE(nearGlass(image.pixel(corner))) << corner.x() << ',' << corner.y();
        }
    }
}

TEST(PanelPictures, DoubleDensityPicturesCarryTheirOwnDetail)
{
    for (const PictureCase& c : Pictures) {
        SCOPED_TRACE(c.name);
        const QImage single = picture(QLatin1String(c.name), c.size, 1).toImage();
        const QImage twice = picture(QLatin1String(c.name), c.size, 2).toImage();
        ASSERT_EQ(twice.size(), single.size() * 2);
        // Edges fall between the ordinary pixels, as they would if the
        // artwork were drawn afresh, never as if each pixel were doubled...
        EXPECT_GT(detailedBlocks(twice), 0);
        // ...and it is the same artwork: reduced, it matches the ordinary picture.
        const QImage reduced = twice.scaled(single.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(meanDifference(reduced, single), 8.0);
    }
}

TEST(PanelPictures, UnknownMarkIsNull)
{
    EXPECT_TRUE(PanelPictures::mark(QStringLiteral("NOSUCHMARK"), QSize(10, 10), 1).isNull());
}
