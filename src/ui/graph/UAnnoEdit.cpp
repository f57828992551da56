#include "graph/UAnnoEdit.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

TfrmAnnoEdit::TfrmAnnoEdit(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("frmAnnoEdit"));
    auto* layout = new QVBoxLayout(this);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setMinimumWidth(220);
    layout->addWidget(Edit1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}
