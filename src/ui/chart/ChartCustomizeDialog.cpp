#include "chart/ChartCustomizeDialog.h"

#include "app/AppPaths.h"
#include "app/Prompts.h"
#include "chart/ChartColors.h"
#include "chart/PESGraph.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

void paintSwatch(QPushButton* button, int colorRef)
{
    QPixmap swatch(32, 14);
    swatch.fill(ChartColor::fromRef(colorRef));
    button->setIcon(QIcon(swatch));
    button->setIconSize(swatch.size());
}

} // namespace

ChartCustomizeDialog::ChartCustomizeDialog(PESGraph& chart, QWidget* parent, const PaperLook* paper)
    : QDialog(parent)
    , chart(chart)
    , edited(chart.state())
{
    setObjectName(QStringLiteral("ChartCustomizeDialog"));
    setWindowTitle(QStringLiteral("Graph Customization"));
    auto* layout = new QVBoxLayout(this);
    pages = new QTabWidget(this);
    pages->setAccessibleName(QStringLiteral("Graph options"));
    layout->addWidget(pages);

    const ChartOptions& o = edited.options;
    const bool printing = paper != nullptr;
    if (printing)
        pages->addTab(buildPaperPage(*paper), QStringLiteral("&Paper"));
    // Each page exists always, so callers can rely on the fields; only the allowed ones are shown.
    struct Page { QWidget* widget; QString title; bool allowed; };
    const Page all[] = {
        {buildTitlesPage(), QStringLiteral("Titles"), o.allowPage1},
        {buildColorsPage(), QStringLiteral("Colors"), o.allowPage2},
        {buildSubsetsPage(), QStringLiteral("Subsets"), o.allowSubsetsPage},
        {buildFontPage(), QStringLiteral("Fonts"), o.allowFontPage},
        {buildAxisPage(), QStringLiteral("Axis"), o.allowAxisPage},
    };
    for (const Page& page : all) {
        if (page.allowed) {
            pages->addTab(page.widget, page.title);
        } else {
            page.widget->setParent(this);
            page.widget->hide();
        }
    }

    auto* bottom = new QHBoxLayout;
    btnExportPng = new QPushButton(QStringLiteral("Export PNG..."), this);
    btnExportPng->setObjectName(QStringLiteral("btnExportPng"));
    btnExportPdf = new QPushButton(QStringLiteral("Export PDF..."), this);
    btnExportPdf->setObjectName(QStringLiteral("btnExportPdf"));
    btnExportPng->setVisible(o.allowExporting);
    btnExportPdf->setVisible(o.allowExporting);
    connect(btnExportPng, &QPushButton::clicked, this, [this] { exportChart(false); });
    connect(btnExportPdf, &QPushButton::clicked, this, [this] { exportChart(true); });
    bottom->addWidget(btnExportPng);
    bottom->addWidget(btnExportPdf);
    btnRestoreDefaults = new QPushButton(QStringLiteral("Restore &Defaults"), this);
    btnRestoreDefaults->setObjectName(QStringLiteral("btnRestoreDefaults"));
    connect(btnRestoreDefaults, &QPushButton::clicked, this, &ChartCustomizeDialog::restoreDefaultTemplate);
    btnRestoreDefaults->setVisible(!printing);  // a matter of later graphs, not of this print
    bottom->addWidget(btnRestoreDefaults);
    bottom->addStretch();
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
}

QPushButton* ChartCustomizeDialog::colorButton(int* colorRef)
{
    auto* button = new QPushButton(this);
    paintSwatch(button, *colorRef);
    connect(button, &QPushButton::clicked, this, [button, colorRef] {
        if (const auto chosen = Prompts::current().chooseColor(ChartColor::fromRef(*colorRef))) {
            *colorRef = ChartColor::toRef(*chosen);
            paintSwatch(button, *colorRef);
        }
    });
    return button;
}

QWidget* ChartCustomizeDialog::buildPaperPage(const PaperLook& paper)
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    cboPaperColors = new QComboBox(page);
    cboPaperColors->setObjectName(QStringLiteral("cboPaperColors"));
    cboPaperColors->addItem(QStringLiteral("White paper, dark grid"));
    cboPaperColors->addItem(QStringLiteral("As on the screen"));
    cboPaperColors->setCurrentIndex(paper.screenColors ? 1 : 0);
    spnLineWidth = new QSpinBox(page);
    spnLineWidth->setObjectName(QStringLiteral("spnLineWidth"));
    spnLineWidth->setRange(1, 6);
    spnLineWidth->setValue(paper.lineWidth);
    chkFooter = new QCheckBox(QStringLiteral("&Footer with the name, the start of the data and the printing date"), page);
    chkFooter->setObjectName(QStringLiteral("chkFooter"));
    chkFooter->setChecked(paper.footer);
    auto* colorsLabel = new QLabel(QStringLiteral("&Colors"), page);
    colorsLabel->setBuddy(cboPaperColors);
    auto* widthLabel = new QLabel(QStringLiteral("&Line width"), page);
    widthLabel->setBuddy(spnLineWidth);
    form->addRow(colorsLabel, cboPaperColors);
    form->addRow(widthLabel, spnLineWidth);
    form->addRow(QString(), chkFooter);
    return page;
}

PaperLook ChartCustomizeDialog::paperLook() const
{
    PaperLook look;
    if (cboPaperColors) {
        look.screenColors = cboPaperColors->currentIndex() == 1;
        look.lineWidth = spnLineWidth->value();
        look.footer = chkFooter->isChecked();
    }
    return look;
}

QWidget* ChartCustomizeDialog::buildTitlesPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    edtMainTitle = new QLineEdit(edited.mainTitle, page);
    edtMainTitle->setObjectName(QStringLiteral("edtMainTitle"));
    edtSubTitle = new QLineEdit(edited.subTitle, page);
    edtSubTitle->setObjectName(QStringLiteral("edtSubTitle"));
    cboGridStyle = new QComboBox(page);
    cboGridStyle->setObjectName(QStringLiteral("cboGridStyle"));
    cboGridStyle->addItem(QStringLiteral("Thin"), sgThin);
    cboGridStyle->addItem(QStringLiteral("Thick"), sgThick);
    cboGridStyle->addItem(QStringLiteral("Dot"), sgDot);
    cboGridStyle->addItem(QStringLiteral("Dash"), sgDash);
    cboGridStyle->addItem(QStringLiteral("One pixel"), sgOnePixel);
    cboGridStyle->setCurrentIndex(std::max(0, cboGridStyle->findData(edited.options.gridStyle)));
    chkLegend = new QCheckBox(QStringLiteral("Show legend"), page);
    chkLegend->setObjectName(QStringLiteral("chkLegend"));
    chkLegend->setChecked(edited.options.showLegend);
    form->addRow(QStringLiteral("Main title"), edtMainTitle);
    form->addRow(QStringLiteral("Subtitle"), edtSubTitle);
    form->addRow(QStringLiteral("Grid style"), cboGridStyle);
    form->addRow(QString(), chkLegend);
    return page;
}

QWidget* ChartCustomizeDialog::buildColorsPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    btnGraphForeColor = colorButton(&edited.graphForeColor);
    btnGraphForeColor->setObjectName(QStringLiteral("btnGraphForeColor"));
    btnGraphBackColor = colorButton(&edited.graphBackColor);
    btnGraphBackColor->setObjectName(QStringLiteral("btnGraphBackColor"));
    btnDeskColor = colorButton(&edited.deskColor);
    btnDeskColor->setObjectName(QStringLiteral("btnDeskColor"));
    btnTextColor = colorButton(&edited.textColor);
    btnTextColor->setObjectName(QStringLiteral("btnTextColor"));
    form->addRow(QStringLiteral("Grid"), btnGraphForeColor);
    form->addRow(QStringLiteral("Graph background"), btnGraphBackColor);
    form->addRow(QStringLiteral("Desk"), btnDeskColor);
    form->addRow(QStringLiteral("Text"), btnTextColor);
    return page;
}

QWidget* ChartCustomizeDialog::buildSubsetsPage()
{
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    grid->addWidget(new QLabel(QStringLiteral("Label"), page), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Color"), page), 0, 2);
    if (edited.subsetColors.size() < size_t(edited.subsets))
        edited.subsetColors.resize(size_t(edited.subsets), 0);
    while (edited.subsetLabels.size() < edited.subsets)
        edited.subsetLabels << QString();
    for (int i = 0; i < edited.subsets; ++i) {
        auto* label = new QLineEdit(edited.subsetLabels[i], page);
        label->setObjectName(QStringLiteral("edtSubsetLabel%1").arg(i));
        QPushButton* color = colorButton(&edited.subsetColors[size_t(i)]);
        color->setObjectName(QStringLiteral("btnSubsetColor%1").arg(i));
        grid->addWidget(new QLabel(QString::number(i + 1), page), i + 1, 0);
        grid->addWidget(label, i + 1, 1);
        grid->addWidget(color, i + 1, 2);
        edtSubsetLabels.push_back(label);
        btnSubsetColors.push_back(color);
    }
    grid->setRowStretch(edited.subsets + 1, 1);
    return page;
}

QWidget* ChartCustomizeDialog::buildFontPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    cboFontSize = new QComboBox(page);
    cboFontSize->setObjectName(QStringLiteral("cboFontSize"));
    cboFontSize->addItem(QStringLiteral("Small"), sgSmall);
    cboFontSize->addItem(QStringLiteral("Medium"), sgMedium);
    cboFontSize->addItem(QStringLiteral("Large"), sgLarge);
    cboFontSize->setCurrentIndex(std::max(0, cboFontSize->findData(edited.options.fontSize)));
    edtTitleFont = new QLineEdit(edited.options.titleFont, page);
    edtTitleFont->setObjectName(QStringLiteral("edtTitleFont"));
    edtLabelFont = new QLineEdit(edited.options.labelFont, page);
    edtLabelFont->setObjectName(QStringLiteral("edtLabelFont"));
    form->addRow(QStringLiteral("Font size"), cboFontSize);
    form->addRow(QStringLiteral("Title font"), edtTitleFont);
    form->addRow(QStringLiteral("Label font"), edtLabelFont);
    return page;
}

QWidget* ChartCustomizeDialog::buildAxisPage()
{
    auto* page = new QWidget;
    auto* form = new QFormLayout(page);
    const ChartAxis& axis = edited.axes[size_t(edited.workingAxis)];
    edtXAxisLabel = new QLineEdit(edited.xAxisLabel, page);
    edtXAxisLabel->setObjectName(QStringLiteral("edtXAxisLabel"));
    edtYAxisLabel = new QLineEdit(axis.label, page);
    edtYAxisLabel->setObjectName(QStringLiteral("edtYAxisLabel"));
    const auto spin = [page](double value, const char* name) {
        auto* box = new QDoubleSpinBox(page);
        box->setObjectName(QLatin1String(name));
        box->setRange(-1e9, 1e9);
        box->setDecimals(2);
        box->setValue(value);
        return box;
    };
    edtYMin = spin(axis.manualMinY, "edtYMin");
    edtYMax = spin(axis.manualMaxY, "edtYMax");
    form->addRow(QStringLiteral("X axis label"), edtXAxisLabel);
    form->addRow(QStringLiteral("Y axis label"), edtYAxisLabel);
    form->addRow(QStringLiteral("Y minimum"), edtYMin);
    form->addRow(QStringLiteral("Y maximum"), edtYMax);
    return page;
}

ChartState ChartCustomizeDialog::appliedTo(ChartState out) const
{
    // Only what the shown pages hold: the chart may have taken samples, marks
    // or ranges while the dialog was open, and those stay.
    const ChartOptions& shown = edited.options;
    if (shown.allowPage1) {
        out.mainTitle = edtMainTitle->text();
        out.subTitle = edtSubTitle->text();
        out.options.gridStyle = cboGridStyle->currentData().toInt();
        out.options.showLegend = chkLegend->isChecked();
    }
    if (shown.allowPage2) {
        out.graphForeColor = edited.graphForeColor;
        out.graphBackColor = edited.graphBackColor;
        out.deskColor = edited.deskColor;
        out.textColor = edited.textColor;
    }
    if (shown.allowSubsetsPage) {
        for (int i = 0; i < int(edtSubsetLabels.size()); ++i) {
            while (out.subsetLabels.size() <= i)
                out.subsetLabels << QString();
            if (out.subsetColors.size() <= size_t(i))
                out.subsetColors.resize(size_t(i) + 1, 0);
            out.subsetLabels[i] = edtSubsetLabels[size_t(i)]->text();
            out.subsetColors[size_t(i)] = edited.subsetColors[size_t(i)];
        }
    }
    if (shown.allowFontPage) {
        out.options.fontSize = cboFontSize->currentData().toInt();
        out.options.titleFont = edtTitleFont->text();
        out.options.labelFont = edtLabelFont->text();
    }
    if (shown.allowAxisPage) {
        const ChartAxis& opened = edited.axes[size_t(edited.workingAxis)];
        ChartAxis& axis = out.axis(edited.workingAxis);
        out.xAxisLabel = edtXAxisLabel->text();
        axis.label = edtYAxisLabel->text();
        if (edtYMin->value() != opened.manualMinY || edtYMax->value() != opened.manualMaxY) {
            axis.manualScaleControlY = sgManualMinAndMax;
            axis.manualMinY = edtYMin->value();
            axis.manualMaxY = edtYMax->value();
        }
    }
    return out;
}

void ChartCustomizeDialog::exportChart(bool pdf)
{
    FileDialogRequest request;
    request.title = pdf ? QStringLiteral("Export PDF") : QStringLiteral("Export PNG");
    request.filter = pdf ? QStringLiteral("PDF file(*.pdf)|*.PDF") : QStringLiteral("PNG picture(*.png)|*.PNG");
    request.defaultSuffix = pdf ? QStringLiteral("PDF") : QStringLiteral("PNG");
    const QString fileName = Prompts::current().saveFileName(request);
    if (fileName.isEmpty())
        return;
    QString reason;
    const bool ok = pdf ? chart.exportPdf(fileName, &reason) : chart.exportPng(fileName, 0, 0, &reason);
    if (!ok)
        Prompts::current().warning(QStringLiteral("Could not write the file %1.\n%2")
                                       .arg(QDir::toNativeSeparators(fileName), reason));
}

// The saved template gives way to the one the program was installed with;
// this graph keeps its look until the user changes it.
void ChartCustomizeDialog::restoreDefaultTemplate()
{
    const QString saved = AppPaths::userTemplateFile();
    if (!QFile::exists(saved)) {
        Prompts::current().information(QStringLiteral("New graphs already look as when the program was installed."));
        return;
    }
    if (Prompts::current().confirm(QStringLiteral("Put the default graph look back for new graphs?\n"
                                                  "The look saved with \"save the changes\" is removed."),
                                   QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;
    QFile file(saved);
    if (!file.remove())
        Prompts::current().warning(QStringLiteral("Could not remove %1:\n%2")
                                       .arg(QDir::toNativeSeparators(saved), file.errorString()));
}
