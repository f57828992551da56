#include "panel/PanelAlarmFrame.h"

#include "panel/PanelLayout.h"

#include <QPainter>

PanelAlarmFrame::PanelAlarmFrame(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("pnlAlarmFrame"));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(QRect(QPoint(0, 0), PanelLayout::Face));
    hide();
}

void PanelAlarmFrame::showChannels(unsigned channels, const QString& description)
{
    setAccessibleName(description);
    setToolTip(description);
    if (channels == inAlarm)
        return;
    inAlarm = channels;
    setVisible(channels != 0);
    update();
}

void PanelAlarmFrame::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor red = QColor::fromRgba(AlarmColor);
    painter.setPen(QPen(red, 4));
    painter.drawRoundedRect(QRectF(rect()).adjusted(2, 2, -2, -2), 19, 19);
    painter.setPen(QPen(red, 3));
    for (int c = 0; c < 4; ++c) {
        if (inAlarm & (1u << c))
            painter.drawRoundedRect(QRectF(PanelLayout::socket(c)), 4, 4);
    }
}
