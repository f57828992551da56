// The front panel on a screen of device pixel ratio 2: every picture it shows
// is drawn for that screen, and the panel as the user sees it is the artwork
// at twice the pixels. The main window draws the battery levels for it too.
#include "app/UMain.h"
#include "panel/PanelFixture.h"
#include "panel/PanelLayout.h"
#include "panel/PanelPictures.h"

#include <QImage>
#include <gtest/gtest.h>

// This test program runs on a screen scaled by two. The scale factor must be
// in place before main() creates the application object.
static const bool denseScreen = qputenv("QT_SCALE_FACTOR", "2");

class PanelOnDenseScreen : public PanelFixture {};

TEST_F(PanelOnDenseScreen, EveryPictureHasTwiceThePixels)
{
    ASSERT_TRUE(denseScreen);
    ASSERT_EQ(panel->devicePixelRatioF(), 2.0);
    QList<QLabel*> pictures{panel->imgPanel, panel->imgREC, panel->imgFULL, panel->imgAutoOff, panel->imgK,
                            panel->lblMAX, panel->lblMIN, panel->lblAVG, panel->imgHOLD};
    for (int row = 0; row < 4; ++row)
        pictures << celsiusMarks()[row] << fahrenheitMarks()[row];
    for (QLabel* label : pictures) {
        SCOPED_TRACE(label->objectName().toStdString());
        const QPixmap pixmap = label->pixmap();
        EXPECT_EQ(pixmap.devicePixelRatio(), 2.0);
        EXPECT_EQ(pixmap.size(), label->size() * 2);
    }
}

TEST_F(PanelOnDenseScreen, ShowsTheFaceDrawnAtTwiceThePixels)
{
    const QImage shown = panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), PanelLayout::Face * 2);
    const QImage face = PanelPictures::face(2).toImage().convertToFormat(QImage::Format_RGB32);

    // Wherever no label or key lies on the face, the screen shows the face's
    // own pixels, none of them a doubled ordinary pixel.
    QRegion covered;
    for (QWidget* child : panel->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child != panel->imgPanel && child->isVisibleTo(panel.get()))
            covered += QRect(child->geometry().topLeft() * 2, child->geometry().size() * 2);
    int compared = 0, differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (!covered.contains(QPoint(x, y))) {
                ++compared;
                differing += shown.pixel(x, y) != face.pixel(x, y);
            }
    EXPECT_GT(compared, shown.width() * shown.height() / 2);
    EXPECT_EQ(differing, 0);
}

TEST(MainWindowOnDenseScreen, BatteryPicturesHaveTwiceThePixels)
{
    TfrmMain window;
    for (int level = 0; level < 4; ++level) {
        SCOPED_TRACE(level);
        const QPixmap& battery = window.BatteryBitmaps[size_t(level)];
        EXPECT_EQ(battery.devicePixelRatio(), 2.0);
        EXPECT_EQ(battery.size(), PanelLayout::Battery.size() * 2);
    }
    // Each level its own picture.
    EXPECT_NE(window.BatteryBitmaps[0].toImage(), window.BatteryBitmaps[3].toImage());
}
