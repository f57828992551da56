#pragma once
// A plot rendered into memory as a PNG picture or a one-page PDF, so that
// the file is written whole by the checked writer, or not at all.

#include <QByteArray>

class QCustomPlot;

namespace PlotPictures {

// The plot at `width` x `height` pixels (0: its size on the screen); empty
// when it could not be rendered.
QByteArray png(QCustomPlot& plot, int width = 0, int height = 0);
// The plot on a page of its own size, one point per pixel, with vector
// lines and text; empty when it could not be rendered.
QByteArray pdf(QCustomPlot& plot);

}  // namespace PlotPictures
