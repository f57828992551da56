// The chart's data API, its state block and the graph file.
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "support/FakePrompts.h"
#include "support/PdfText.h"
#include "support/UnwritableFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QPrinter>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace {

// A chart with something in every part of its state.
void fillChart(PESGraph& chart)
{
    chart.setSubsets(4);
    chart.setPoints(50);
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < 50; ++p) {
            chart.setXDataII(s, p, 46000.5 + p / 86400.0);
            chart.setYData(s, p, float(s * 10 + p * 0.1));
        }
    chart.setYData(2, 7, 9999);
    chart.setMainTitle(QStringLiteral("Oven run"));
    chart.setSubTitle(QStringLiteral("batch 7"));
    chart.setXAxisLabel(QStringLiteral("Time"));
    chart.setSubsetLabels(3, QStringLiteral("Lid"));
    chart.setSubsetColors(1, 0x123456);
    chart.setGraphBackColor(0x101010);
    chart.setGridStyle(sgDash);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
        chart.setWorkingAxis(axis);
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(-5 - axis);
        chart.setManualMaxY(50 + axis);
        chart.setYAxisLabel(QStringLiteral("°C %1").arg(axis));
    }
    chart.setWorkingAxis(0);
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(46000.5);
    chart.setManualMaxX(46000.6);
    chart.setGraphAnnotationType(2, sgAnnotCross);
    chart.setGraphAnnotationText(2, QStringLiteral("10:00:00\r21.5"));
    chart.setGraphAnnotationX(4, 46000.51);
    chart.setGraphAnnotationY(4, 22.5);
    chart.setGraphAnnotationText(4, QStringLiteral("peak"));
    chart.setGraphAnnotationColor(4, 0x0000FF);
    chart.setGraphAnnotationType(5000, sgAnnotCross);
    chart.setVertLineAnnotation(0, 46000.52);
    chart.setVertLineAnnotationColor(0, 0xFF0000);
    chart.setVertLineAnnotationText(0, QStringLiteral("door"));
    chart.setAllowGraphAnnotHotSpots(true);
    chart.setLineGapThreshold(1e20);
    chart.redraw();
}

} // namespace

TEST(ChartState, StoreAndLoadRestoresTheWholeChart)
{
    PESGraph original;
    fillChart(original);
    PESGraph copy;
    QString error;
    ASSERT_TRUE(copy.loadState(original.storeState(), &error)) << error.toStdString();
    EXPECT_TRUE(copy.state() == original.state());
    EXPECT_EQ(copy.YData(2, 7), 9999.0f);
    EXPECT_EQ(copy.SubsetColors(1), 0x123456);
    EXPECT_EQ(copy.MultiAxesSubsets(3), 1);
    EXPECT_EQ(copy.GraphAnnotationType(5000), sgAnnotCross);
    EXPECT_EQ(copy.VertLineAnnotationText(0), QStringLiteral("door"));
    EXPECT_EQ(copy.axisRectCount(), 4);

    PESGraph fresh;
    PESGraph fromFresh;
    fillChart(fromFresh);
    ASSERT_TRUE(fromFresh.loadState(fresh.storeState()));
    EXPECT_TRUE(fromFresh.state() == fresh.state());
}

TEST(ChartState, BadBlocksFailWithAReasonAndLeaveTheChartAlone)
{
    PESGraph source;
    fillChart(source);
    const QByteArray good = source.storeState();

    QByteArray wrongVersion = good;
    qToLittleEndian<quint16>(ChartState::Version + 1, wrongVersion.data() + 4);
    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x40);
    QByteArray wrongMagic = good;
    wrongMagic[0] = 'X';

    const struct {
        const char* name;
        QByteArray block;
    } cases[] = {
        {"empty", QByteArray()},
        {"header only", good.left(10)},
        {"truncated", good.left(good.size() / 2)},
        {"one byte short", good.chopped(1)},
        {"extra byte", good + '\0'},
        {"damaged", flipped},
        {"other version", wrongVersion},
        {"not a chart", wrongMagic},
    };
    for (const auto& c : cases) {
        PESGraph chart;
        chart.setMainTitle(QStringLiteral("keep me"));
        const ChartState before = chart.state();
        QString error;
        EXPECT_FALSE(chart.loadState(c.block, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_TRUE(chart.state() == before) << c.name;
    }
    QString error;
    PESGraph chart;
    chart.loadState(wrongVersion, &error);
    EXPECT_TRUE(error.contains(QStringLiteral("version %1").arg(ChartState::Version + 1))) << error.toStdString();
}

TEST(ChartData, BulkLoadsSpreadRecordsOverSubsets)
{
    PESGraph chart;
    chart.setSubsets(4);
    chart.setPoints(3);
    const double xs[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    const float ys[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    chart.loadXDataII(xs, 12);
    chart.loadYData(ys, 12);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(chart.XDataII(c, r), 4 * r + c);
            EXPECT_EQ(chart.YData(c, r), float(4 * r + c));
        }

    // Subset −1 with k in the point place fills all of subset k, and only it.
    chart.setYDataII(-1, 2, 9999);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(chart.YData(2, r), 9999.0f);
        EXPECT_EQ(chart.YData(1, r), float(4 * r + 1));
    }
}

TEST(ChartData, NullValuesAreGapsNotDrops)
{
    PESGraph chart;
    chart.setSubsets(1);
    chart.setPoints(4);
    const double day = 46000;
    const float ys[] = {20, 9999, 22, 23};
    for (int p = 0; p < 4; ++p) {
        chart.setXDataII(0, p, day + p / 86400.0);
        chart.setYData(0, p, ys[p]);
    }
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(day);
    chart.setManualMaxX(day + 4 / 86400.0);
    chart.redraw();

    const auto plotted = chart.plottedData(0);
    ASSERT_EQ(plotted.size(), 4u);
    EXPECT_EQ(plotted[0].second, 20);
    EXPECT_TRUE(std::isnan(plotted[1].second));
    EXPECT_EQ(plotted[2].second, 22);
    // The automatic Y range covers the data, not the null value.
    EXPECT_LT(chart.visibleYRange(0).second, 100);
}

TEST(ChartView, SplitAndSingleViewAndPixelConversion)
{
    PESGraph chart;
    chart.resize(800, 600);
    chart.setSubsets(4);
    chart.setPoints(2);
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(46000.0);
    chart.setManualMaxX(46000.5);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setWorkingAxis(axis);
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(0);
        chart.setManualMaxY(100);
    }
    chart.setMultiAxesProportions(0, 1);
    chart.redraw();
    EXPECT_EQ(chart.axisRectCount(), 1);
    const QRect area = chart.PlottingArea();
    ASSERT_TRUE(area.isValid());
    ASSERT_GT(area.width(), 400);

    const double pxPerDay = area.width() / 0.5;
    const struct {
        QPoint pixel;
        double x, y;
    } single[] = {
        {area.topLeft(), 46000.0, 100},
        {area.bottomRight(), 46000.5, 0},
        {area.center(), 46000.25, 50},
    };
    for (const auto& c : single) {
        const QPointF g = chart.pixelToGraph(c.pixel);
        EXPECT_NEAR(g.x(), c.x, 1.5 / pxPerDay);
        EXPECT_NEAR(g.y(), c.y, 100.0 * 1.5 / area.height());
        EXPECT_TRUE(area.contains(c.pixel));
    }
    EXPECT_FALSE(area.contains(area.bottomRight() + QPoint(1, 0)));

    for (int axis = 0; axis < 4; ++axis) {
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
    }
    chart.PEactions(sgReinitAndReset);
    EXPECT_EQ(chart.axisRectCount(), 4);
    const QRect split = chart.PlottingArea();
    // Axis 0 takes the top quarter: the middle of the area lies below its minimum.
    EXPECT_LT(chart.pixelToGraph(split.center()).y(), 0);
    const QPointF top = chart.graphToPixel({46000.0, 100}, 0);
    EXPECT_NEAR(top.y(), split.top(), 1.5);

    chart.setMultiAxesSubsets(-1, 0);
    chart.setMultiAxesProportions(0, 1);
    chart.PEactions(sgReinitAndReset);
    EXPECT_EQ(chart.axisRectCount(), 1);
}

TEST(ChartView, ZoomAndUndoZoom)
{
    PESGraph chart;
    chart.resize(800, 600);
    chart.setManualScaleControlX(sgManualMinAndMax);
    chart.setManualMinX(46000.0);
    chart.setManualMaxX(46001.0);
    chart.redraw();
    int zooms = 0;
    QObject::connect(&chart, &PESGraph::OnZoomIn, [&] { ++zooms; });
    const QRect area = chart.PlottingArea();
    chart.zoomToPixelRect(QRect(area.center(), area.bottomRight()));
    EXPECT_EQ(zooms, 1);
    EXPECT_TRUE(chart.isZoomed());
    EXPECT_NEAR(chart.visibleXRange().first, 46000.5, 0.01);
    chart.PEactions(sgUndoZoom);
    EXPECT_FALSE(chart.isZoomed());
    EXPECT_NEAR(chart.visibleXRange().first, 46000.0, 1e-9);
    EXPECT_NEAR(chart.visibleXRange().second, 46001.0, 1e-9);
}

TEST(ChartDialogs, CustomizeAppliesOnlyWhenAccepted)
{
    FakePrompts prompts;
    ScopedPrompts scoped(prompts);
    PESGraph chart;
    int closed = 0;
    QObject::connect(&chart, &PESGraph::OnCustomizeDlg, [&] { ++closed; });

    prompts.dialogs.push_back([](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("edtMainTitle"))->setText(QStringLiteral("New title"));
        return int(QDialog::Rejected);
    });
    chart.PEactions(sgCustomize);
    EXPECT_EQ(chart.DialogResult(), 0);
    EXPECT_EQ(chart.MainTitle(), QString());

    chart.setAllowAxisPage(false);
    int pagesShown = -1;
    prompts.dialogs.push_back([&](QDialog& d) {
        d.findChild<QLineEdit*>(QStringLiteral("edtMainTitle"))->setText(QStringLiteral("New title"));
        pagesShown = d.findChild<QTabWidget*>()->count();
        return int(QDialog::Accepted);
    });
    chart.PEactions(sgCustomize);
    EXPECT_EQ(chart.DialogResult(), 1);
    EXPECT_EQ(chart.MainTitle(), QStringLiteral("New title"));
    EXPECT_EQ(pagesShown, 4);
    EXPECT_EQ(closed, 2);
}

// Export PNG or PDF from the Graph Option dialog into a folder that can not
// be written: a warning names the file and the system's reason, and no file
// appears.
TEST(ChartDialogs, AnExportThatCanNotBeWrittenSaysWhy)
{
    FakePrompts prompts;
    ScopedPrompts scoped(prompts);
    QTemporaryDir dir;
    const QString folder = unwritableFolder(dir);
    PESGraph chart;
    fillChart(chart);
    struct Case { const char* button; const char* file; };
    const Case cases[] = {{"btnExportPng", "chart.png"}, {"btnExportPdf", "chart.pdf"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString file = folder + QLatin1Char('/') + QLatin1String(c.file);
        prompts.warnings.clear();
        prompts.fileNames = {file};
        prompts.dialogs.push_back([&](QDialog& d) {
            d.findChild<QPushButton*>(QLatin1String(c.button))->click();
            return int(QDialog::Rejected);
        });
        chart.PEactions(sgCustomize);
        ASSERT_EQ(prompts.warnings.size(), 1);
        EXPECT_TRUE(prompts.warnings[0].contains(file)) << prompts.warnings[0].toStdString();
        EXPECT_TRUE(prompts.warnings[0].contains(QString::fromLocal8Bit(std::strerror(EACCES))))
            << prompts.warnings[0].toStdString();
        EXPECT_FALSE(QFile::exists(file));
    }
}

TEST(ChartDialogs, PrintsToPdfAndExports)
{
    QTemporaryDir dir;
    PESGraph chart;
    fillChart(chart);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setPageOrientation(QPageLayout::Landscape);
    printer.setOutputFileName(dir.filePath(QStringLiteral("chart.pdf")));
    chart.print(printer);
    EXPECT_GT(QFileInfo(dir.filePath(QStringLiteral("chart.pdf"))).size(), 1000);

    EXPECT_TRUE(chart.exportPng(dir.filePath(QStringLiteral("chart.png")), 600, 400));
    EXPECT_EQ(QImage(dir.filePath(QStringLiteral("chart.png"))).width(), 600);

    // The exported PDF is the chart on a page of its size, one point a pixel,
    // with its titles, legend and time axis as text.
    chart.resize(900, 560);
    chart.show();
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    QString error;
    ASSERT_TRUE(chart.exportPdf(pdf, &error)) << error.toStdString();
    const PdfText::Page page = PdfText::read(pdf);
    EXPECT_NEAR(page.size.width(), 900, 1);
    EXPECT_NEAR(page.size.height(), 560, 1);
    PdfText::expectReadableGraph(page, {QStringLiteral("Oven"), QStringLiteral("run"), QStringLiteral("batch"),
                                        QStringLiteral("Lid")});

    FakePrompts prompts;  // print dialog cancelled: nothing happens
    ScopedPrompts scoped(prompts);
    chart.PEactions(sgPrintDialog);
}

// ---- Graph file -------------------------------------------------------------

class GraphFileTest : public ::testing::Test {
protected:
    FakePrompts prompts;
    ScopedPrompts scoped{prompts};
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    static void write(const QString& file, const QByteArray& bytes)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(GraphFileTest, RoundTripAndLayout)
{
    PESGraph chart;
    fillChart(chart);
    ASSERT_TRUE(StoreGraphFile(chart, path("a.ghf")));
    QFile f(path("a.ghf"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    EXPECT_EQ(qFromLittleEndian<quint32>(bytes.constData()), quint32(bytes.size() - 4));

    PESGraph loaded;
    ASSERT_TRUE(LoadGraphFile(loaded, path("a.ghf")));
    EXPECT_TRUE(loaded.state() == chart.state());
    EXPECT_TRUE(prompts.messages.isEmpty());

    // Storing again under the same name replaces the file completely.
    PESGraph small;
    ASSERT_TRUE(StoreGraphFile(small, path("a.ghf")));
    ASSERT_TRUE(LoadGraphFile(loaded, path("a.ghf")));
    EXPECT_TRUE(loaded.state() == small.state());
}

TEST_F(GraphFileTest, BadFilesAreReportedWithTheirPathAndChangeNothing)
{
    PESGraph good;
    fillChart(good);
    const QByteArray block = good.storeState();
    QByteArray header(4, '\0');
    qToLittleEndian<quint32>(quint32(block.size()), header.data());
    QByteArray huge(4, '\0');
    qToLittleEndian<quint32>(0xFFFFFFF0u, huge.data());

    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"empty.ghf", QByteArray()},
        {"short.ghf", QByteArray("\x01\x00", 2)},
        {"zero.ghf", QByteArray(4, '\0')},
        {"cut.ghf", header + block.left(block.size() - 10)},
        {"huge.ghf", huge + block},
        {"junk.ghf", QByteArray("\x05\x00\x00\x00hello", 9)},
    };
    for (const auto& c : cases) {
        write(path(c.name), c.bytes);
        PESGraph chart;
        chart.setMainTitle(QStringLiteral("untouched"));
        const ChartState before = chart.state();
        prompts.messages.clear();
        EXPECT_FALSE(LoadGraphFile(chart, path(c.name))) << c.name;
        ASSERT_EQ(prompts.messages.size(), 1) << c.name;
        EXPECT_TRUE(prompts.messages[0].contains(QLatin1String(c.name))) << c.name;
        EXPECT_TRUE(chart.state() == before) << c.name;
    }
    prompts.messages.clear();
    PESGraph chart;
    EXPECT_FALSE(LoadGraphFile(chart, path("missing.ghf")));
    EXPECT_TRUE(prompts.messages.value(0).contains(QLatin1String("missing.ghf")));
}

TEST_F(GraphFileTest, AFailedSaveReportsAndKeepsTheOldFile)
{
    PESGraph chart;
    const QString target = path("no-such-folder/x.ghf");
    EXPECT_FALSE(StoreGraphFile(chart, target));
    ASSERT_EQ(prompts.warnings.size(), 1);
    EXPECT_TRUE(prompts.warnings[0].contains(QLatin1String("x.ghf")));
    EXPECT_TRUE(prompts.messages.isEmpty());

    // A directory in the way of the file: the save fails and the directory stays.
    QDir(dir.path()).mkdir(QStringLiteral("taken.ghf"));
    EXPECT_FALSE(StoreGraphFile(chart, path("taken.ghf")));
    EXPECT_TRUE(QFileInfo(path("taken.ghf")).isDir());
}
