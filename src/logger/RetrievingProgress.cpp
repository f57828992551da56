#include "logger/RetrievingProgress.h"

#include <QDialog>
#include <QGridLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>

namespace {

// Stands in for the shared progress dialog, with its control names.
class RetrievingDialog : public QDialog {
public:
    explicit RetrievingDialog(QWidget* parent)
        : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                              | Qt::WindowStaysOnTopHint)
    {
        setObjectName(QStringLiteral("frmScope"));
        setWindowTitle(QStringLiteral("Data Retriving Progress"));
        Progress1 = new QProgressBar(this);
        Progress1->setObjectName(QStringLiteral("Progress1"));
        SText1 = new QLabel(QStringLiteral("bytes received"), this);
        SText1->setObjectName(QStringLiteral("SText1"));
        SText2 = new QLabel(QStringLiteral("total bytes"), this);
        SText2->setObjectName(QStringLiteral("SText2"));
        lblBytesReceived = new QLabel(this);
        lblBytesReceived->setObjectName(QStringLiteral("lblBytesReceived"));
        lblTotalBytes = new QLabel(this);
        lblTotalBytes->setObjectName(QStringLiteral("lblTotalBytes"));
        auto* grid = new QGridLayout(this);
        grid->addWidget(Progress1, 0, 0, 1, 2);
        grid->addWidget(lblBytesReceived, 1, 0);
        grid->addWidget(SText1, 1, 1);
        grid->addWidget(lblTotalBytes, 2, 0);
        grid->addWidget(SText2, 2, 1);
        setFixedSize(320, 110);
    }
    QProgressBar* Progress1;
    QLabel* SText1;
    QLabel* SText2;
    QLabel* lblBytesReceived;
    QLabel* lblTotalBytes;
};

class DialogProgress : public DownloadProgress {
public:
    DialogProgress(int total, QWidget* mainWindow)
        : dialog(new RetrievingDialog(mainWindow))
    {
        dialog->Progress1->setRange(0, total);
        dialog->Progress1->setValue(0);
        dialog->lblTotalBytes->setText(QString::number(total));
        dialog->lblBytesReceived->setText(QStringLiteral("0"));
        dialog->show();
        if (mainWindow)
            mainWindow->repaint();
    }
    ~DialogProgress() override { delete dialog.data(); }
    void setReceived(int bytes) override
    {
        if (!dialog)
            return;
        dialog->lblBytesReceived->setText(QString::number(bytes));
        dialog->Progress1->setValue(bytes);
    }

private:
    QPointer<RetrievingDialog> dialog;  // owned here; the parent may go first
};

} // namespace

std::unique_ptr<DownloadProgress> openRetrievingProgress(int totalBytes, QWidget* mainWindow)
{
    return std::make_unique<DialogProgress>(totalBytes, mainWindow);
}
