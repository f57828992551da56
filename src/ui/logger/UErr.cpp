#include "logger/UErr.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TfrmErr::TfrmErr(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmErr"));
    setWindowTitle(QStringLiteral("Error Message"));

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    const auto button = [this](const QString& text, const char* name, int result) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    Button2 = button(QStringLiteral("Try Again"), "Button2", TryAgain);
    Button1 = button(QStringLiteral("Fixed the error "), "Button1", FixError);
    Button3 = button(QStringLiteral("Cancel"), "Button3", Cancel);
    Button2->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button1);
    buttons->addWidget(Button3);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1, 1);
    layout->addLayout(buttons);

    setFixedSize(420, 150);
}

void TfrmErr::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}
