#pragma once
// The user guide in a window of the program: its pages and links in a text
// browser with Back and Forward, and Find. It needs no web browser, so F1
// works on every desktop.

#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QTextBrowser;

class THelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);

    // Shows the guide in `file`; a missing guide is said in the window.
    void showGuide(const QString& file);
    // Selects the next place that holds the Find text, from the cursor on and
    // then from the top; false when there is none.
    bool findNext();

    QTextBrowser* browser = nullptr;
    QAction* actBack = nullptr;
    QAction* actForward = nullptr;
    QLineEdit* edtFind = nullptr;
    QLabel* lblFindResult = nullptr;
};
