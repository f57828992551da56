#include "logger/RetrievingProgress.h"

#include "files/UScope.h"

#include <QPointer>

namespace {

// The shared progress dialog in its data retrieving mode, for one transfer.
class ScopeProgress : public DownloadProgress {
public:
    ScopeProgress(int total, QWidget* mainWindow)
        : owned(TfrmScope::dataRetrievingDialog(total, mainWindow))
        , frmScope(owned.get())
    {
        frmScope->show();
        if (mainWindow)
            mainWindow->repaint();
    }
    ~ScopeProgress() override
    {
        // The main window may have gone first and taken its child with it.
        if (!frmScope)
            (void)owned.release();
    }
    void setReceived(int bytes) override
    {
        if (frmScope)
            frmScope->setBytesReceived(bytes);
    }
    bool cancelled() const override { return frmScope && frmScope->cancelled(); }

private:
    std::unique_ptr<TfrmScope> owned;
    QPointer<TfrmScope> frmScope;  // empty once the dialog is gone
};

} // namespace

std::unique_ptr<DownloadProgress> openRetrievingProgress(int totalBytes, QWidget* mainWindow)
{
    return std::make_unique<ScopeProgress>(totalBytes, mainWindow);
}
