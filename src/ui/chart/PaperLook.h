#pragma once
// How a graph looks on paper. By default black on white with a dark grid and
// line colours that stay apart in print, whatever the screen shows (black
// paper wastes toner and hides thin lines); the screen's own colours are a
// choice. A footer names the graph and the start of its data, and says when
// it was printed.

#include "chart/ChartState.h"

#include <QString>

struct PaperLook {
    bool screenColors = false;
    int lineWidth = 2;  // pixels at the window's resolution
    bool footer = true;

    // The colours of a chart, kept aside while it is printed.
    struct Colors {
        int graphForeColor, graphBackColor, deskColor, textColor;
        std::vector<int> subsetColors;

        static Colors of(const ChartState& s)
        {
            return {s.graphForeColor, s.graphBackColor, s.deskColor, s.textColor, s.subsetColors};
        }
        void applyTo(ChartState& s) const
        {
            s.graphForeColor = graphForeColor;
            s.graphBackColor = graphBackColor;
            s.deskColor = deskColor;
            s.textColor = textColor;
            s.subsetColors = subsetColors;
        }
    };

    // White paper: black text, a dark grey grid, and lines in colours that
    // stay apart on white (0x00BBGGRR).
    static Colors paperColors(int subsets)
    {
        static const int lines[] = {0xC80000, 0x0000C8, 0x008C00, 0x0078E6, 0xA00080, 0x808000, 0x000000};
        Colors c{0x404040, 0xFFFFFF, 0xFFFFFF, 0x000000, {}};
        for (int i = 0; i < subsets; ++i)
            c.subsetColors.push_back(lines[size_t(i) % std::size(lines)]);
        return c;
    }
};

// What the footer says besides the printing date.
struct PaperFooter {
    QString name;        // the window's caption or file name
    QString startText;   // the start of the data, as the program writes dates; may be empty
};
