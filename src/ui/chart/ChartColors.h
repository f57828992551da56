#pragma once
// The chart keeps colours as Windows colour references (0x00BBGGRR), which
// the graph file stores; the windows draw with QColor.

#include <QColor>

namespace ChartColor {

// Windows colour reference 0x00BBGGRR to a colour, and back.
inline QColor fromRef(int ref)
{
    const auto v = static_cast<quint32>(ref);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
}

inline int toRef(const QColor& c)
{
    return int(quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16));
}

} // namespace ChartColor
