#pragma once
// An invisible key over the meter picture: a hand cursor, reachable with Tab,
// and driven by the mouse or by Space and Enter. It reports the press and the
// release separately (for the long press of MAX/MIN/AVG) and a click.

#include <QWidget>

class ClickArea : public QWidget {
    Q_OBJECT
public:
    explicit ClickArea(QWidget* parent = nullptr);

    // A whole press and release, as assistive technology presses the key.
    void press();

signals:
    void mouseDown();   // any mouse button, or Space/Enter pressed
    void mouseUp();     // the matching release
    void clicked();     // left button released over the area, or Space/Enter released

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    static bool isActivationKey(int key);
    bool keyDown = false;
};
