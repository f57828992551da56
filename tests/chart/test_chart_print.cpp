// A chart printed on a high-resolution printer reads like the chart on the
// screen scaled to the paper, whatever its size and orientation.
#include "chart/PESGraph.h"
#include "support/PdfText.h"

#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(ChartPrint, PrintsReadablyOnEveryPaper)
{
    PESGraph chart;
    chart.resize(900, 500);
    chart.setSubsets(4);
    chart.setPoints(120);
    for (int s = 0; s < 4; ++s)
        for (int p = 0; p < 120; ++p) {
            chart.setXDataII(s, p, 46000.5 + p / 86400.0);
            chart.setYData(s, p, float(s * 10 + p % 11));
        }
    chart.setMainTitle(QStringLiteral("Oven"));
    chart.setXAxisLabel(QStringLiteral("Time"));
    for (int axis = 0; axis < 4; ++axis) {
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
    }
    chart.redrawNow();

    struct Case {
        const char* name;
        QPageSize::PageSizeId paper;
        QPageLayout::Orientation orientation;
        QPrinter::PrinterMode resolution;
    };
    const Case cases[] = {
        {"A4 landscape, high resolution", QPageSize::A4, QPageLayout::Landscape, QPrinter::HighResolution},
        {"Letter portrait, high resolution", QPageSize::Letter, QPageLayout::Portrait, QPrinter::HighResolution},
        {"A5 landscape, screen resolution", QPageSize::A5, QPageLayout::Landscape, QPrinter::ScreenResolution},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QPrinter printer(c.resolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(c.paper));
        printer.setPageOrientation(c.orientation);
        const QString pdf = dir.filePath(QLatin1String(c.name) + QStringLiteral(".pdf"));
        printer.setOutputFileName(pdf);
        const int resolution = printer.resolution();
        chart.print(printer);
        EXPECT_EQ(printer.resolution(), resolution) << "the printer is left as it was";

        const PdfText::Page page = PdfText::read(pdf);
        const QSizeF paper = QPageLayout(QPageSize(c.paper), c.orientation, QMarginsF()).fullRect(QPageLayout::Point).size();
        EXPECT_NEAR(page.size.width(), paper.width(), 2);
        EXPECT_NEAR(page.size.height(), paper.height(), 2);
        PdfText::expectReadableGraph(page, {"Oven", "T1", "T2", "T3", "T4", "Time"});
    }
}
