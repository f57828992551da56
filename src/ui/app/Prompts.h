#pragma once
// The one seam through which the program asks the user anything: message
// boxes, file, colour, font and print dialogs, and every modal dialog of its
// own. Tests install a Prompts subclass that answers without a screen.

#include <QColor>
#include <QFont>
#include <QMessageBox>
#include <QString>
#include <optional>

class QDialog;
class QPrinter;
class QWidget;

// A file dialog request in the program's own terms. `filter` uses the
// "Text|*.EXT|Text|*.EXT" form; the seam converts it for Qt.
struct FileDialogRequest {
    QString title;
    QString directory;
    QString filter;
    QString defaultSuffix;   // without the dot, e.g. "GHF"
    int filterIndex = 1;     // counted from 1, updated with the user's choice
    bool overwritePrompt = true;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // Information box with OK.
    virtual void information(const QString& text);
    // Warning box with OK: something the user asked for failed (a file not written).
    virtual void warning(const QString& text);
    // Confirmation box; buttons are Yes|No or Yes|No|Cancel.
    virtual QMessageBox::StandardButton confirm(const QString& text, QMessageBox::StandardButtons buttons);

    // Empty result means cancelled.
    virtual QString openFileName(FileDialogRequest& request);
    virtual QString saveFileName(FileDialogRequest& request);

    virtual std::optional<QColor> chooseColor(const QColor& initial);
    virtual std::optional<QFont> chooseFont(const QFont& initial);
    virtual bool printDialog(QPrinter& printer);
    virtual bool pageSetupDialog(QPrinter& printer);

    // Runs one of the program's own modal dialogs and returns its result code.
    virtual int exec(QDialog& dialog);

    static Prompts& current();

    // "Text|*.EXT|Text|*.EXT" to Qt's "Text (*.EXT *.ext);;Text (...)".
    static QString qtFilter(const QString& filter);

private:
    friend class ScopedPrompts;
    static Prompts* installed;
};

// Installs a Prompts implementation for the lifetime of this object (tests).
class ScopedPrompts {
public:
    explicit ScopedPrompts(Prompts& prompts);
    ~ScopedPrompts();
    ScopedPrompts(const ScopedPrompts&) = delete;
    ScopedPrompts& operator=(const ScopedPrompts&) = delete;

private:
    Prompts* previous;
};
