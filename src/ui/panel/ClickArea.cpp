#include "panel/ClickArea.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

// To a screen reader a key is a button with its name, pressed through the
// accessibility interface as by the mouse.
class ClickAreaAccessible : public QAccessibleWidget {
public:
    explicit ClickAreaAccessible(ClickArea* key) : QAccessibleWidget(key, QAccessible::Button) {}

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& actionName) override
    {
        if (actionName == pressAction())
            static_cast<ClickArea*>(widget())->press();
    }
};

QAccessibleInterface* clickAreaAccessible(const QString& className, QObject* object)
{
    if (className == QLatin1String("ClickArea") && object && object->isWidgetType())
        return new ClickAreaAccessible(static_cast<ClickArea*>(object));
    return nullptr;
}

} // namespace

ClickArea::ClickArea(QWidget* parent)
    : QWidget(parent)
{
    static const bool accessibleKeys = (QAccessible::installFactory(clickAreaAccessible), true);
    Q_UNUSED(accessibleKeys);
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

void ClickArea::press()
{
    emit mouseDown();
    emit mouseUp();
    emit clicked();
}
