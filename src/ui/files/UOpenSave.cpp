#include "files/UOpenSave.h"

#include <QPushButton>
#include <QVBoxLayout>

TfrmOpenSave::TfrmOpenSave(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("frmOpenSave"));
    setWindowFlag(Qt::WindowStaysOnTopHint);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto* layout = new QVBoxLayout(this);
    const auto addButton = [this, layout](const char* name, int result) {
        auto* b = new QPushButton(this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        layout->addWidget(b);
        connect(b, &QPushButton::clicked, this, [this, result] { done(result); });
        return b;
    };
    btnOpenSets = addButton("btnOpenSets", OpenSets);
    btnOpenSingleSet = addButton("btnOpenSingleSet", OpenSingleSet);
    btnCancel = addButton("btnCancel", Cancel);
    btnCancel->setText(QStringLiteral("Cancel"));
    setUpForSave();
}

void TfrmOpenSave::setUpForSave()
{
    setWindowTitle(QStringLiteral("Save File"));
    btnOpenSets->setText(QStringLiteral("Save all data sets to a data set collection file(*.ch4)"));
    btnOpenSingleSet->setText(QStringLiteral("Save single selected  data set to a  file"));
}

void TfrmOpenSave::setUpForOpen(bool decimalComma)
{
    setWindowTitle(QStringLiteral("Open File"));
    btnOpenSets->setText(QStringLiteral("Open a data set collection file(*.CH4)"));
    btnOpenSingleSet->setText(decimalComma ? QStringLiteral("Open single data flle(*.TXT,*.GHF)")
                                           : QStringLiteral("Open single data file(*.TXT,*.CSV,*.GHF)"));
}
