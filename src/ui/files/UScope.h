#pragma once
// The small dialog that every long operation shares: it asks for the range of
// points or rows to save, and shows the progress of saving, opening, graphing
// a table and downloading from the meter. Each use creates a fresh dialog
// through one of the mode functions below, which show only that mode's
// controls and set its caption and texts.
//
// Modal result, as the operations read it (modalResult()):
//   range mode:    1 after OK, 2 after Cancel, Esc or the close box;
//   progress modes: 0 or -1 while running, 2 once Cancel (or Esc) was pressed.
// In the progress modes Cancel does not close the dialog and the close box
// only hides it: the operation decides when to stop.

#include <QDialog>
#include <memory>

class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpacerItem;

class TfrmScope : public QDialog {
    Q_OBJECT
public:
    enum class Mode { None, Range, Saving, Open, Graphing, DataRetrieving };

    // All controls hidden, the designed caption "Print Range".
    explicit TfrmScope(QWidget* parent = nullptr);

    // Range of points or rows to save: "Save File", from 1 to `last`, "&All" checked.
    static std::unique_ptr<TfrmScope> rangeDialog(int last, QWidget* parent = nullptr);
    // "Saving Progress": "saving.....", progress 0..lines, Cancel; modal result 0.
    static std::unique_ptr<TfrmScope> savingDialog(int lines, QWidget* parent = nullptr);
    // "Open Progress": the count of lines read in SText1 (starting "0"), Cancel; modal result -1.
    static std::unique_ptr<TfrmScope> openDialog(QWidget* parent = nullptr);
    // "Graphing Progress": "graphing.....", progress 0..rows, Cancel; modal result 0.
    static std::unique_ptr<TfrmScope> graphingDialog(int rows, QWidget* parent = nullptr);
    // "Data Retriving Progress": bytes received of `totalBytes`, progress 0..total, Cancel.
    static std::unique_ptr<TfrmScope> dataRetrievingDialog(int totalBytes, QWidget* parent = nullptr);

    // The mode functions, for a dialog made with the plain constructor.
    void setRangeMode(int last);
    void setSavingMode(int lines);
    void setOpenMode();
    void setGraphingMode(int rows);
    void setDataRetrievingMode(int totalBytes);
    Mode mode() const { return currentMode; }

    int modalResult() const { return result(); }
    void setModalResult(int value) { setResult(value); }
    // Cancel (or Esc) was pressed in a progress mode.
    bool cancelled() const { return result() == 2; }

    // Progress helpers: position of Progress1, the open mode's line count and
    // the download's byte count (label and bar together).
    void setPosition(int position);
    void setLinesRead(int lines);
    void setBytesReceived(int bytes);

    // ---- Controls, named as the operations know them ----
    QGroupBox* GroupBox1 = nullptr;
    QRadioButton* radAll = nullptr;
    QRadioButton* radNo = nullptr;
    QLabel* lblFrom = nullptr;
    QLineEdit* edtSelFrom = nullptr;
    QLabel* lblTo = nullptr;
    QLineEdit* edtSelTo = nullptr;
    QPushButton* BitBtn1 = nullptr;       // OK, modal result 1
    QPushButton* BitBtn2 = nullptr;       // Cancel, modal result 2
    QProgressBar* Progress1 = nullptr;
    QLabel* SText1 = nullptr;
    QLabel* SText2 = nullptr;
    QLabel* lblBytesReceived = nullptr;
    QLabel* lblTotalBytes = nullptr;

public slots:
    // Esc: cancels in range mode and in the progress modes that can stop.
    void reject() override;

protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void BitBtn2Click();
    // Widens the dialog until its caption shows whole in the title bar.
    void fitCaption();
    QSpacerItem* captionRoom = nullptr;
    // Hides every control, then shows `visible` and resizes to fit.
    void showOnly(std::initializer_list<QWidget*> visible);

    Mode currentMode = Mode::None;
};
