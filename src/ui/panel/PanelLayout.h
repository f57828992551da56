#pragma once
// Where things sit on the meter's face (src/ui/resources/panel/face.svg), in the
// face's own pixels. Edit both together.

#include <QRect>
#include <QSize>

namespace PanelLayout {

constexpr QSize Face(160, 493);

// Click areas over the drawn keys.
constexpr QRect Close(138, 5, 17, 17);
constexpr QRect Hold(14, 340, 62, 28);
constexpr QRect Rec(84, 340, 62, 28);
constexpr QRect CelsiusFahrenheit(14, 380, 62, 28);
constexpr QRect T1MinusT2(84, 380, 62, 28);
constexpr QRect MaxMinAvg(14, 420, 62, 28);

// Print on the housing.
constexpr QRect TypeK(86, 61, 10, 9);           // "K" after "THERMOCOUPLE TYPE"
constexpr QRect NoConnection(0, 309, 160, 15);  // between the display and the keys

// The probe sockets T1 to T4 with their names, left to right.
constexpr QRect socket(int channel) { return QRect(10 + channel * 35, 24, 35, 38); }

// LCD, first status row.
constexpr QRect Battery(18, 86, 22, 11);
constexpr QRect RecMark(44, 86, 26, 11);
constexpr QRect FullMark(74, 86, 24, 11);
constexpr QRect AutoOffMark(102, 86, 20, 11);
constexpr QRect KMark(132, 86, 10, 11);
// LCD, second status row.
constexpr QRect MaxMark(18, 100, 24, 11);
constexpr QRect MinMark(46, 100, 24, 11);
constexpr QRect AvgMark(74, 100, 24, 11);
constexpr QRect HoldMark(108, 100, 34, 11);

// LCD, the four value rows (T1 at the top), 46 pixels apart.
constexpr int RowTop = 114;
constexpr int RowPitch = 46;
constexpr QRect channelName(int row) { return QRect(19, RowTop + row * RowPitch + 3, 44, 11); }
constexpr QRect channelValue(int row) { return QRect(16, RowTop + row * RowPitch + 13, 108, 30); }
constexpr QRect unitMark(int row) { return QRect(126, RowTop + row * RowPitch + 24, 16, 14); }

} // namespace PanelLayout
