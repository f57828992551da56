#pragma once
// The pictures of the front panel, drawn from its vector artwork (":/panel/")
// for the device pixel ratio of the screen they are shown on, so the meter's
// face stays sharp on high-density screens instead of being scaled up.

#include <QPixmap>
#include <QString>

namespace PanelPictures {

// The artwork is compiled into a static library, so the first user must
// register it explicitly; the drawing functions below do so themselves.
void registerResources();

// The meter's face at PanelLayout::Face, drawn at `ratio` device pixels per
// pixel; null when the artwork cannot be read.
QPixmap face(qreal ratio);

// One mark of the LCD by its name (MAX, MIN, AVG, HOLD, REC, FULL, AUTOOFF,
// K, DEGC, DEGF, BAT0 to BAT3) for its place of `size` on the face, drawn at
// `ratio`: the mark's background fills the place from its top-left corner,
// lettering that reaches beyond is cut off. Null for an unknown name.
QPixmap mark(const QString& name, const QSize& size, qreal ratio);

} // namespace PanelPictures
