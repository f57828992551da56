#include "app/HelpWindow.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

THelpWindow::THelpWindow(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("TQ612 Help"));
    browser = new QTextBrowser(this);
    browser->setObjectName(QStringLiteral("HelpBrowser"));
    browser->setOpenExternalLinks(true);

    auto* tools = new QToolBar(this);
    actBack = tools->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("&Back"));
    actBack->setShortcut(QKeySequence::Back);
    actBack->setEnabled(false);
    actForward = tools->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("&Forward"));
    actForward->setShortcut(QKeySequence::Forward);
    actForward->setEnabled(false);
    connect(actBack, &QAction::triggered, browser, &QTextBrowser::backward);
    connect(actForward, &QAction::triggered, browser, &QTextBrowser::forward);
    connect(browser, &QTextBrowser::backwardAvailable, actBack, &QAction::setEnabled);
    connect(browser, &QTextBrowser::forwardAvailable, actForward, &QAction::setEnabled);
    tools->addSeparator();

    auto* findLabel = new QLabel(QStringLiteral("F&ind:"), this);
    edtFind = new QLineEdit(this);
    edtFind->setObjectName(QStringLiteral("edtFind"));
    edtFind->setClearButtonEnabled(true);
    findLabel->setBuddy(edtFind);
    tools->addWidget(findLabel);
    tools->addWidget(edtFind);
    QAction* findNextAction = tools->addAction(QStringLiteral("Find &Next"));
    findNextAction->setShortcut(QKeySequence::FindNext);
    connect(findNextAction, &QAction::triggered, this, &THelpWindow::findNext);
    connect(edtFind, &QLineEdit::returnPressed, this, &THelpWindow::findNext);
    auto* focusFind = new QAction(this);
    focusFind->setShortcut(QKeySequence::Find);
    connect(focusFind, &QAction::triggered, edtFind, [this] {
        edtFind->setFocus();
        edtFind->selectAll();
    });
    addAction(focusFind);
    lblFindResult = new QLabel(this);
    tools->addWidget(lblFindResult);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tools);
    layout->addWidget(browser);
    resize(760, 600);
}

void THelpWindow::showGuide(const QString& file)
{
    if (QFileInfo::exists(file)) {
        browser->setSource(QUrl::fromLocalFile(file));
    } else {
        browser->setPlainText(QStringLiteral("The user guide is not installed: %1 was not found.").arg(file));
    }
}

bool THelpWindow::findNext()
{
    const QString text = edtFind->text();
    if (text.isEmpty())
        return false;
    bool found = browser->find(text);
    if (!found) {
        // From the top once more.
        QTextCursor top = browser->textCursor();
        top.movePosition(QTextCursor::Start);
        browser->setTextCursor(top);
        found = browser->find(text);
    }
    lblFindResult->setText(found ? QString() : QStringLiteral("Not found"));
    return found;
}
