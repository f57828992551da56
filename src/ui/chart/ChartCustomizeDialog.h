#pragma once
// The chart's own customisation dialog: titles, axis labels and the working
// axis's Y range, subset labels and colours, chart colours, grid and fonts,
// and export of the chart as PNG or PDF. Pages can be switched off by the
// chart's AllowAxisPage, AllowPage1, AllowPage2, AllowSubsetsPage, AllowFontPage.
// Before a print it also has the Paper page: colours, line width and footer.

#include "chart/ChartState.h"
#include "chart/PaperLook.h"

#include <QDialog>
#include <vector>

class PESGraph;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

class ChartCustomizeDialog : public QDialog {
    Q_OBJECT
public:
    // With `paper`, the dialog comes before a print and begins with the Paper page.
    ChartCustomizeDialog(PESGraph& chart, QWidget* parent = nullptr, const PaperLook* paper = nullptr);

    // The choices of the Paper page.
    PaperLook paperLook() const;
    // `current` with the choices of the dialog's shown pages applied; the
    // data, marks and X range of `current` stay as they are.
    ChartState appliedTo(ChartState current) const;

    QTabWidget* pages = nullptr;
    // Paper page (printing only).
    QComboBox* cboPaperColors = nullptr;
    QSpinBox* spnLineWidth = nullptr;
    QCheckBox* chkFooter = nullptr;
    // Page 1: titles and grid.
    QLineEdit* edtMainTitle = nullptr;
    QLineEdit* edtSubTitle = nullptr;
    QComboBox* cboGridStyle = nullptr;
    QCheckBox* chkLegend = nullptr;
    // Page 2: colours.
    QPushButton* btnGraphForeColor = nullptr;
    QPushButton* btnGraphBackColor = nullptr;
    QPushButton* btnDeskColor = nullptr;
    QPushButton* btnTextColor = nullptr;
    // Subsets page.
    std::vector<QLineEdit*> edtSubsetLabels;
    std::vector<QPushButton*> btnSubsetColors;
    // Font page.
    QComboBox* cboFontSize = nullptr;
    QLineEdit* edtTitleFont = nullptr;
    QLineEdit* edtLabelFont = nullptr;
    // Axis page.
    QLineEdit* edtXAxisLabel = nullptr;
    QLineEdit* edtYAxisLabel = nullptr;
    QDoubleSpinBox* edtYMin = nullptr;
    QDoubleSpinBox* edtYMax = nullptr;
    // Export.
    QPushButton* btnExportPng = nullptr;
    QPushButton* btnExportPdf = nullptr;
    // Puts the shipped graph template back for later graphs.
    QPushButton* btnRestoreDefaults = nullptr;

private:
    QWidget* buildPaperPage(const PaperLook& paper);
    QWidget* buildTitlesPage();
    QWidget* buildColorsPage();
    QWidget* buildSubsetsPage();
    QWidget* buildFontPage();
    QWidget* buildAxisPage();
    QPushButton* colorButton(int* colorRef);
    void exportChart(bool pdf);
    void restoreDefaultTemplate();

    PESGraph& chart;
    ChartState edited;
};
