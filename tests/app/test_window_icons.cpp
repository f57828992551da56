// What the frame's pictures show: every child window carries the
// application's icon (not the toolkit's logo), and Help has a question mark.
#include "app/UMain.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UGraph.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyle>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

// A plain magenta square as the application's icon while a test runs; no
// picture of the toolkit or the style has that colour.
class StandInAppIcon {
public:
    StandInAppIcon()
    {
        QPixmap square(32, 32);
        square.fill(Magenta);
        QApplication::setWindowIcon(QIcon(square));
    }
    ~StandInAppIcon() { QApplication::setWindowIcon(QIcon()); }
    static constexpr QRgb Magenta = 0xFFFF00FF;
};

int magentaPixels(const QImage& image, const QRect& where)
{
    int count = 0;
    const QRect r = where.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            count += image.pixel(x, y) == StandInAppIcon::Magenta;
    return count;
}

} // namespace

TEST(WindowIcons, EveryChildWindowShowsTheApplicationsIcon)
{
    FakePrompts prompts;
    ScopedPrompts answering(prompts);
    StandInAppIcon appIcon;
    QTemporaryDir dir;

    TfrmMain main;
    // No port: the start-up probe finds nothing and returns at once.
    main.ComboBoxDeviceName->blockSignals(true);
    main.ComboBoxDeviceName->clear();
    main.ComboBoxDeviceName->blockSignals(false);
    main.resize(1400, 900);
    main.show();
    QElapsedTimer started;
    started.start();
    while (!main.RealTimeGraph && started.elapsed() < 5000) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
    ASSERT_TRUE(main.RealTimeGraph);

    // One child window of each kind besides the real-time graph and the panel.
    main.ShowDataLoggerGraph();
    const QString table = dir.filePath(QStringLiteral("table.txt"));
    QFile text(table);
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("04/03/2026\t05:06:07\t20.0\t21.0\t22.0\t23.0\r\n");
    text.close();
    ASSERT_NE(main.OpenTextFile(table, QLatin1Char('\t')), nullptr);
    PESGraph stored;
    const QString graphFile = dir.filePath(QStringLiteral("graph.ghf"));
    ASSERT_TRUE(StoreGraphFile(stored, graphFile));
    ASSERT_NE(main.OpenGraphFile(graphFile), nullptr);

    const QList<QMdiSubWindow*> children = main.MdiArea->subWindowList();
    ASSERT_EQ(children.size(), 5);
    const QImage expected = QApplication::windowIcon().pixmap(16, 16).toImage();
    for (QMdiSubWindow* child : children) {
        SCOPED_TRACE(child->widget()->objectName().toStdString() + " " + child->windowTitle().toStdString());
        EXPECT_EQ(child->windowIcon().pixmap(16, 16).toImage(), expected);
        if (child->windowFlags().testFlag(Qt::FramelessWindowHint))
            continue;   // the front panel: the meter's face fills it, there is no caption
        // The caption bar shows the icon.
        child->resize(500, 300);
        const QImage picture = child->grab().toImage();
        const int captionHeight = child->widget()->geometry().top();
        ASSERT_GT(captionHeight, 8);
        EXPECT_GE(magentaPixels(picture, QRect(0, 0, picture.width(), captionHeight)), 30);
    }
}

TEST(WindowIcons, TheHelpButtonShowsAQuestionMark)
{
    TfrmMain main;
    const QImage help = main.SpeedButton8->icon().pixmap(24, 24).toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(help.isNull());
    ASSERT_EQ(help.size(), QSize(24, 24));
    const auto isWhite = [](QRgb p) { return qRed(p) > 220 && qGreen(p) > 220 && qBlue(p) > 220 && qAlpha(p) > 220; };
    const auto isBlue = [](QRgb p) { return qBlue(p) > 150 && qRed(p) < 90 && qAlpha(p) > 220; };
    EXPECT_EQ(qAlpha(help.pixel(0, 0)), 0);            // round: the corners stay clear
    EXPECT_TRUE(isBlue(help.pixel(4, 12)));            // the disc
    EXPECT_TRUE(isWhite(help.pixel(12, 19)));          // the question mark's dot
    EXPECT_TRUE(isWhite(help.pixel(15, 8)));           // its hook
    EXPECT_TRUE(isBlue(help.pixel(12, 16)));           // the gap above the dot
    EXPECT_NE(help, main.style()->standardIcon(QStyle::SP_DialogHelpButton).pixmap(24, 24).toImage()
                        .convertToFormat(QImage::Format_ARGB32));
}
