// The program's window icon is the artwork installed as the desktop's icon.
#include "app/AppIcon.h"

#include <gtest/gtest.h>

TEST(AppIcon, EverySizeIsTheInstalledArtworkDrawnSharp)
{
    const QIcon icon = AppIcon::icon();
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size)));
        const QImage shown = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
        ASSERT_EQ(shown.size(), QSize(size, size));
        EXPECT_EQ(shown, AppIcon::drawFile(QStringLiteral(TQ612_SOURCE_DIR "/resources/icons/tq612.svg"), size));
        // Not an empty picture: the housing fills the middle, the corners stay clear.
        EXPECT_EQ(qAlpha(shown.pixel(size / 2, size / 2)), 255);
        EXPECT_EQ(qAlpha(shown.pixel(0, 0)), 0);
    }
}
