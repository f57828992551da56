#include "app/UConnectionCheck.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmConnectionCheck::TfrmConnectionCheck(std::function<QString()> check, QWidget* parent)
    : QDialog(parent)
    , runCheck(std::move(check))
{
    setObjectName(QStringLiteral("frmConnectionCheck"));
    setWindowTitle(QStringLiteral("Connection Check"));

    memReport = new QPlainTextEdit(this);
    memReport->setObjectName(QStringLiteral("memReport"));
    memReport->setReadOnly(true);
    memReport->setLineWrapMode(QPlainTextEdit::NoWrap);
    memReport->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));

    btnCopy = new QPushButton(QStringLiteral("&Copy"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    connect(btnCopy, &QPushButton::clicked, this,
            [this] { QGuiApplication::clipboard()->setText(memReport->toPlainText()); });
    btnAgain = new QPushButton(QStringLiteral("Check &Again"), this);
    btnAgain->setObjectName(QStringLiteral("btnAgain"));
    connect(btnAgain, &QPushButton::clicked, this, &TfrmConnectionCheck::refresh);
    btnClose = new QPushButton(QStringLiteral("Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnAgain);
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memReport);
    layout->addLayout(buttons);
    resize(760, 420);

    refresh();
}

void TfrmConnectionCheck::refresh()
{
    // Asking every port takes a moment.
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QString report = runCheck ? runCheck() : QString();
    QGuiApplication::restoreOverrideCursor();
    memReport->setPlainText(report);
}
