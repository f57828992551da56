#include "panel/ClickArea.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

ClickArea::ClickArea(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::PointingHandCursor);
    // Tab reaches the keys; a mouse click leaves the focus where it was.
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ClickArea::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    emit mouseDown();
}

void ClickArea::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept();
    emit mouseUp();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

bool ClickArea::isActivationKey(int key)
{
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}

void ClickArea::keyPressEvent(QKeyEvent* event)
{
    if (!isActivationKey(event->key())) {
        QWidget::keyPressEvent(event);   // the panel handles its letter keys
        return;
    }
    if (!event->isAutoRepeat() && !keyDown) {
        keyDown = true;
        emit mouseDown();
    }
}

void ClickArea::keyReleaseEvent(QKeyEvent* event)
{
    if (!isActivationKey(event->key())) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat() && keyDown) {
        keyDown = false;
        emit mouseUp();
        emit clicked();
    }
}

void ClickArea::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    update();
}

void ClickArea::focusOutEvent(QFocusEvent* event)
{
    keyDown = false;
    QWidget::focusOutEvent(event);
    update();
}

void ClickArea::paintEvent(QPaintEvent*)
{
    // Invisible, except for a focus ring when reached from the keyboard.
    if (!hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0xff, 0xd4, 0x4a), 1.5, Qt::DotLine);
    painter.setPen(pen);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 7, 7);
}
