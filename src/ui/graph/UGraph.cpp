#include "graph/UGraph.h"

#include "app/AppPaths.h"
#include "app/DateTime.h"
#include "app/Prompts.h"
#include "app/Regional.h"
#include "chart/ChartColors.h"
#include "chart/ChartTemplate.h"
#include "chart/PESGraph.h"
#include "files/GraphFile.h"
#include "graph/UAnnoEdit.h"
#include "graph/UGraphStatistics.h"
#include "graph/USetupScale.h"
#include "stats/GraphStatistics.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QSignalBlocker>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPushButton>
#include <QScrollArea>
#include <QSplitter>
#include <QStyle>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

namespace {

constexpr float NoDataValue = 9999;
constexpr int FactsGap = 16;   // between the start time and the rate when side by side
constexpr int FieldPadding = 14;   // a line edit's frame and margins around its text

// A small tool bar picture drawn from a glyph, so the window needs no image files.
QIcon glyphIcon(const QString& glyph, const QColor& color = QColor(40, 40, 40))
{
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QFont f = p.font();
    f.setPixelSize(15);
    f.setBold(true);
    p.setFont(f);
    p.setPen(color);
    p.drawText(pixmap.rect(), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

QLineEdit* readOnlyField(QWidget* parent, const char* name, const QString& text = QString(), int width = 150)
{
    auto* field = new QLineEdit(text, parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setMinimumWidth(width);
    return field;
}

QToolButton* toolButton(QToolBar* bar, const char* name, const QString& hint, const QIcon& icon, bool checkable)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setToolTip(hint);
    button->setAccessibleName(hint);   // the icon alone says nothing to a screen reader
    button->setIcon(icon);
    button->setAutoRaise(true);
    button->setCheckable(checkable);
    bar->addWidget(button);
    return button;
}

} // namespace

TfrmGraph::TfrmGraph(GraphHost& graphHost, QWidget* parent)
    : QWidget(parent)
    , host(graphHost)
{
    setObjectName(QStringLiteral("frmGraph"));
    auto* outer = new QHBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    // A window smaller than its contents need (a small or scaled screen)
    // scrolls them instead of squeezing the chart away or the labels together.
    auto* scroller = new QScrollArea(this);
    scroller->setObjectName(QStringLiteral("GraphScroller"));
    scroller->setWidgetResizable(true);
    scroller->setFrameShape(QFrame::NoFrame);
    scroller->setFocusPolicy(Qt::NoFocus);   // its contents take the focus, not the frame
    outer->addWidget(scroller);
    Splitter1 = new QSplitter(Qt::Horizontal);
    scroller->setWidget(Splitter1);
    Splitter1->addWidget(buildDataSetsPanel());

    auto* right = new QWidget(Splitter1);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->setSpacing(0);
    ToolBar1 = new QToolBar(right);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setIconSize(QSize(20, 20));
    buildToolBar();
    rightLayout->addWidget(ToolBar1);
    rightLayout->addWidget(buildFactsStrip());

    Splitter2 = new QSplitter(Qt::Vertical, right);
    // The mouse readout sits on a line of its own at the chart's top left
    // corner, where it hides neither the legend nor the titles.
    auto* chartPane = new QWidget(Splitter2);
    auto* chartLayout = new QVBoxLayout(chartPane);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->setSpacing(0);
    Panel12 = new QLabel(chartPane);
    Panel12->setObjectName(QStringLiteral("Panel12"));
    Panel12->setFrameShape(QFrame::Panel);
    Panel12->setFrameShadow(QFrame::Sunken);
    Panel12->setMinimumWidth(170);
    Panel12->setContentsMargins(4, 1, 4, 1);
    Panel12->setMinimumHeight(Panel12->fontMetrics().height() + 4);  // the line stays while it is empty
    chartLayout->addWidget(Panel12, 0, Qt::AlignLeft);
    PESGraph1 = new PESGraph(chartPane);
    PESGraph1->setObjectName(QStringLiteral("PESGraph1"));
    PESGraph1->setMinimumHeight(MinimumPlotHeight);
    chartLayout->addWidget(PESGraph1, 1);
    Splitter2->addWidget(chartPane);
    Splitter2->addWidget(buildStatisticsPanel());
    Splitter2->setChildrenCollapsible(false);   // the chart never shrinks to nothing
    Splitter2->setStretchFactor(0, 1);
    Splitter2->setStretchFactor(1, 0);
    Splitter2->setCollapsible(0, false);
    rightLayout->addWidget(Splitter2, 1);
    Splitter1->addWidget(right);
    Splitter1->setStretchFactor(1, 1);
    pnlDataSets->hide();

    // The chart starts with the form's own settings.
    PESGraph1->setPlottingMethod(sgLine);
    PESGraph1->setGridLineControl(sgYPlusXAxis);
    PESGraph1->setShowLegend(true);
    PESGraph1->setLegendLocation(sgLegendTop);
    PESGraph1->setFontSize(sgMedium);
    PESGraph1->setAllowDataHotSpots(false);
    PESGraph1->setAllowGraphHotSpots(false);
    PESGraph1->setCursorMode(sgNoCursor);
    PESGraph1->setDefOrientation(sgLandscape);

    connect(PESGraph1, &PESGraph::OnClick, this, &TfrmGraph::PESGraph1Click);
    connect(PESGraph1, &PESGraph::OnMouseMove, this, &TfrmGraph::PESGraph1MouseMove);
    connect(PESGraph1, &PESGraph::OnZoomIn, this, &TfrmGraph::PESGraph1ZoomIn);
    connect(PESGraph1, &PESGraph::OnDataHotSpot, this, &TfrmGraph::PESGraph1DataHotSpot);
    connect(PESGraph1, &PESGraph::OnGraphAnnotHotSpot, this, &TfrmGraph::PESGraph1GraphAnnotHotSpot);
    connect(PESGraph1, &PESGraph::OnCustomizeDlg, this, &TfrmGraph::PESGraph1CustomizeDlg);

    resize(DesignedSize);
}

TfrmGraph::~TfrmGraph() = default;

void TfrmGraph::buildToolBar()
{
    ToolButton1 = toolButton(ToolBar1, "ToolButton1", QStringLiteral("Toggle Graph Statistic"), glyphIcon(QStringLiteral("Σ")), true);
    ToolButton1->setChecked(true);
    ToolButton2 = toolButton(ToolBar1, "ToolButton2", QStringLiteral("Toggle Line Cursor Statistic"), glyphIcon(QStringLiteral("¦")), true);
    ToolButton2->setChecked(true);
    ToolBar1->addSeparator();
    ToolButton4 = toolButton(ToolBar1, "ToolButton4", QStringLiteral("Normal Cursor"), glyphIcon(QStringLiteral("↖")), true);
    ToolButton5 = toolButton(ToolBar1, "ToolButton5", QStringLiteral("Draw A Cross On Graph"), glyphIcon(QStringLiteral("+")), true);
    ToolButton9 = toolButton(ToolBar1, "ToolButton9", QStringLiteral("Text"), glyphIcon(QStringLiteral("T")), true);
    auto* tools = new QButtonGroup(this);
    tools->setExclusive(true);
    for (QToolButton* b : {ToolButton4, ToolButton5, ToolButton9})
        tools->addButton(b);
    ToolButton4->setChecked(true);
    ToolButton15 = toolButton(ToolBar1, "ToolButton15", QStringLiteral("Set Annotation Color"),
                              glyphIcon(QStringLiteral("●"), ChartColor::fromRef(host.annotationColor())), false);
    ClearSeparator = ToolBar1->addSeparator();
    tbntClr = new QToolButton(ToolBar1);
    tbntClr->setObjectName(QStringLiteral("tbntClr"));
    tbntClr->setText(QStringLiteral("Clear"));
    tbntClr->setToolTip(QStringLiteral("Clear"));
    tbntClr->setAutoRaise(true);
    tbntClrAction = ToolBar1->addWidget(tbntClr);
    showClearButton(false);
    ToolBar1->addSeparator();
    UndoZoom = new QToolButton(ToolBar1);
    UndoZoom->setObjectName(QStringLiteral("UndoZoom"));
    UndoZoom->setText(QStringLiteral("Undo Zoom"));
    UndoZoom->setToolTip(QStringLiteral("Undo Zoom"));
    UndoZoom->setAutoRaise(true);
    UndoZoom->setEnabled(false);
    ToolBar1->addWidget(UndoZoom);
    chkSplit = new QCheckBox(QStringLiteral("Split"), ToolBar1);
    chkSplit->setObjectName(QStringLiteral("chkSplit"));
    chkSplit->setChecked(true);
    ToolBar1->addWidget(chkSplit);
    ToolBar1->addSeparator();
    Button1 = new QPushButton(QStringLiteral("Graph Option"), ToolBar1);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Graph Customization"));
    ToolBar1->addWidget(Button1);
    btnChangeScale = new QPushButton(QStringLiteral("Y Axis"), ToolBar1);
    btnChangeScale->setObjectName(QStringLiteral("btnChangeScale"));
    btnChangeScale->setToolTip(QStringLiteral("set the maximum and minimum extent of the left y axis."));
    ToolBar1->addWidget(btnChangeScale);
    Button3 = new QPushButton(QStringLiteral("Font"), ToolBar1);
    Button3->setObjectName(QStringLiteral("Button3"));
    ToolBar1->addWidget(Button3);

    connect(ToolButton1, &QToolButton::clicked, this, &TfrmGraph::ToolButton1Click);
    connect(ToolButton2, &QToolButton::clicked, this, &TfrmGraph::ToolButton2Click);
    connect(ToolButton4, &QToolButton::clicked, this, &TfrmGraph::ToolButton4Click);
    connect(ToolButton5, &QToolButton::clicked, this, &TfrmGraph::ToolButton5Click);
    connect(ToolButton9, &QToolButton::clicked, this, &TfrmGraph::ToolButton9Click);
    connect(ToolButton15, &QToolButton::clicked, this, &TfrmGraph::ToolButton15Click);
    connect(tbntClr, &QToolButton::clicked, this, &TfrmGraph::tbntClrClick);
    connect(UndoZoom, &QToolButton::clicked, this, &TfrmGraph::UndoZoomClick);
    connect(chkSplit, &QCheckBox::clicked, this, &TfrmGraph::chkSplitClick);
    connect(Button1, &QPushButton::clicked, this, &TfrmGraph::Button1Click);
    connect(btnChangeScale, &QPushButton::clicked, this, &TfrmGraph::btnChangeScaleClick);
    connect(Button3, &QPushButton::clicked, this, &TfrmGraph::Button3Click);
}

QWidget* TfrmGraph::buildFactsStrip()
{
    pnlGraphStatistic = new QFrame(this);
    pnlGraphStatistic->setObjectName(QStringLiteral("pnlGraphStatistic"));
    pnlGraphStatistic->setFrameShape(QFrame::StyledPanel);
    txtStartTime = readOnlyField(pnlGraphStatistic, "txtStartTime", QString(), 170);
    ComboBox1 = new QComboBox(pnlGraphStatistic);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox2 = new QComboBox(pnlGraphStatistic);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    for (int i = 0; i <= 60; ++i) {
        const QString item = QStringLiteral("%1").arg(i, 2, 10, QLatin1Char('0'));
        ComboBox1->addItem(item);
        ComboBox2->addItem(item);
    }
    // Display only, unless the real-time window enables them.
    ComboBox1->setEnabled(false);
    ComboBox2->setEnabled(false);
    txtDataNo = readOnlyField(pnlGraphStatistic, "txtDataNo", QStringLiteral("0"), 80);
    txtStartTime->setAccessibleName(QStringLiteral("Start Time"));
    txtDataNo->setAccessibleName(QStringLiteral("Number of samples"));
    ComboBox1->setAccessibleName(QStringLiteral("Sampling rate, minutes"));
    ComboBox2->setAccessibleName(QStringLiteral("Sampling rate, seconds"));
    // Two halves side by side, one above the other in a narrow window.
    factsRows = new QBoxLayout(QBoxLayout::LeftToRight, pnlGraphStatistic);
    factsRows->setContentsMargins(6, 1, 6, 1);
    // Each half keeps its own spacing whichever way the halves go.
    const int spacing = style()->pixelMetric(QStyle::PM_LayoutHorizontalSpacing);
    auto* when = new QHBoxLayout;
    when->setSpacing(spacing);
    when->addWidget(new QLabel(QStringLiteral("Start Time"), pnlGraphStatistic));
    when->addWidget(txtStartTime);
    when->addStretch();
    auto* rate = new QHBoxLayout;
    rate->setSpacing(spacing);
    rate->addWidget(new QLabel(QStringLiteral("Sampling"), pnlGraphStatistic));
    rate->addWidget(new QLabel(QStringLiteral("Rate"), pnlGraphStatistic));
    rate->addWidget(ComboBox1);
    rate->addWidget(new QLabel(QStringLiteral(":"), pnlGraphStatistic));
    rate->addWidget(ComboBox2);
    rate->addWidget(new QLabel(QStringLiteral("mm:ss"), pnlGraphStatistic));
    rate->addSpacing(16);
    rate->addWidget(new QLabel(QStringLiteral("Data No."), pnlGraphStatistic));
    rate->addWidget(txtDataNo);
    rate->addStretch();
    factsRows->addLayout(when);
    factsRows->addLayout(rate);
    factsRows->addStretch();
    return pnlGraphStatistic;
}

QWidget* TfrmGraph::buildStatisticsPanel()
{
    pnlStatistic = new QFrame(this);
    pnlStatistic->setObjectName(QStringLiteral("pnlStatistic"));
    pnlStatistic->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(pnlStatistic);
    grid->setContentsMargins(4, 4, 4, 4);
    grid->setVerticalSpacing(2);
    grid->setHorizontalSpacing(3);
    Button2 = new QPushButton(QStringLiteral("Show MAX/MIN on Graph"), pnlStatistic);
    Button2->setObjectName(QStringLiteral("Button2"));
    grid->addWidget(Button2, 0, 0, 1, 2);
    connect(Button2, &QPushButton::clicked, this, [this] { ShowMaxMinOnGraph(*this); });
    QLineEdit** maxs[] = {&txtT1Max, &txtT2Max, &txtT3Max, &txtT4Max};
    QLineEdit** mins[] = {&txtT1Min, &txtT2Min, &txtT3Min, &txtT4Min};
    QLineEdit** avgs[] = {&txtT1Avg, &txtT2Avg, &txtT3Avg, &txtT4Avg};
    // The fields are as wide as the longest texts they show, and no wider,
    // so that the panel fits a narrow window.
    const QFontMetrics metrics = pnlStatistic->fontMetrics();
    const TDateTime longTime = DateTime::fromQDateTime(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)));
    const int extremeWidth = metrics.horizontalAdvance(GraphStatistics::extremeText(-327.6f, longTime)) + FieldPadding;
    const int averageWidth = metrics.horizontalAdvance(QStringLiteral("-2999.999")) + FieldPadding;
    for (int i = 0; i < 4; ++i) {
        const QByteArray n = QByteArray::number(i + 1);
        *maxs[i] = readOnlyField(pnlStatistic, ("txtT" + n + "Max").constData(), QString(), extremeWidth);
        *mins[i] = readOnlyField(pnlStatistic, ("txtT" + n + "Min").constData(), QString(), extremeWidth);
        *avgs[i] = readOnlyField(pnlStatistic, ("txtT" + n + "Avg").constData(), QStringLiteral("***.* "), averageWidth);
        (*maxs[i])->setAccessibleName(QStringLiteral("T%1 MAX").arg(i + 1));
        (*mins[i])->setAccessibleName(QStringLiteral("T%1 MIN").arg(i + 1));
        (*avgs[i])->setAccessibleName(QStringLiteral("T%1 AVG").arg(i + 1));
        const int row = i + 1;
        grid->addWidget(new QLabel(QStringLiteral("T%1 MAX ").arg(i + 1), pnlStatistic), row, 0, Qt::AlignRight);
        grid->addWidget(*maxs[i], row, 1);
        grid->addWidget(new QLabel(QStringLiteral("MIN"), pnlStatistic), row, 2, Qt::AlignRight);
        grid->addWidget(*mins[i], row, 3);
        grid->addWidget(new QLabel(QStringLiteral("AVG"), pnlStatistic), row, 4, Qt::AlignRight);
        grid->addWidget(*avgs[i], row, 5);
    }
    grid->setColumnStretch(6, 1);
    return pnlStatistic;
}

QWidget* TfrmGraph::buildDataSetsPanel()
{
    pnlDataSets = new QFrame(this);
    pnlDataSets->setObjectName(QStringLiteral("pnlDataSets"));
    auto* layout = new QVBoxLayout(pnlDataSets);
    layout->setContentsMargins(2, 2, 2, 2);
    StaticText1 = new QLabel(QStringLiteral("Data Sets"), pnlDataSets);
    StaticText1->setObjectName(QStringLiteral("StaticText1"));
    layout->addWidget(StaticText1);
    Grid2 = new QTableWidget(1, 6, pnlDataSets);
    Grid2->setObjectName(QStringLiteral("Grid2"));
    Grid2->setHorizontalHeaderLabels({QStringLiteral("Set"), QStringLiteral("DATE"), QStringLiteral("TIME"),
                                      QStringLiteral("Rate"), QStringLiteral("Nums"), QStringLiteral("Unit")});
    Grid2->horizontalHeader()->setMinimumSectionSize(20);
    const int widths[] = {25, 60, 60, 65, 40, 40};
    for (int c = 0; c < 6; ++c)
        Grid2->setColumnWidth(c, widths[c]);
    Grid2->verticalHeader()->hide();
    Grid2->setWordWrap(false);
    Grid2->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid2->setEditTriggers(QAbstractItemView::NoEditTriggers);
    layout->addWidget(Grid2);
    pnlDataSets->setMinimumWidth(340);
    return pnlDataSets;
}

QLineEdit* TfrmGraph::maxField(int channel) const
{
    QLineEdit* const f[] = {txtT1Max, txtT2Max, txtT3Max, txtT4Max};
    return f[channel];
}

QLineEdit* TfrmGraph::minField(int channel) const
{
    QLineEdit* const f[] = {txtT1Min, txtT2Min, txtT3Min, txtT4Min};
    return f[channel];
}

QLineEdit* TfrmGraph::avgField(int channel) const
{
    QLineEdit* const f[] = {txtT1Avg, txtT2Avg, txtT3Avg, txtT4Avg};
    return f[channel];
}

void TfrmGraph::showClearButton(bool show)
{
    tbntClrAction->setVisible(show);
    ClearSeparator->setVisible(show);
}

void TfrmGraph::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The facts strip takes two lines where one is too narrow for it, so
    // that the chart below keeps the window's width without scrolling.
    const QMargins margins = factsRows->contentsMargins();
    int oneLine = margins.left() + margins.right() + FactsGap;
    for (int i = 0; i < 2; ++i)
        oneLine += factsRows->itemAt(i)->sizeHint().width();
    const int dataSets = pnlDataSets->isVisibleTo(this) ? pnlDataSets->width() + Splitter1->handleWidth() : 0;
    const bool wide = width() - dataSets >= oneLine + 2 * pnlGraphStatistic->frameWidth();
    factsRows->setDirection(wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    factsRows->setSpacing(wide ? FactsGap : 0);
}

void TfrmGraph::openAtDesignedSize()
{
    auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget());
    const QMdiArea* area = frame ? frame->mdiArea() : nullptr;
    if (!area)
        return;
    // The frame's title bar and borders come on top of the client size.
    const QSize room = area->viewport()->size();
    const QSize size = DesignedSize.grownBy(frame->contentsMargins()).boundedTo(room);
    frame->setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, QRect(QPoint(0, 0), room)));
}

void TfrmGraph::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    ToolButton4->setChecked(true);
    ToolButton4Click();
}

// ---- Tools ------------------------------------------------------------------

void TfrmGraph::updateToolsForLayout()
{
    const bool single = PESGraph1->MultiAxesProportions(0) == 1.0;
    ToolButton5->setEnabled(single);
    ToolButton9->setEnabled(single);
    // The box shows the layout that is drawn, also one a template brought.
    const QSignalBlocker quiet(chkSplit);
    chkSplit->setChecked(!single);
    // Each axis of a split chart keeps room for its line and its scale.
    constexpr int LeastAxisHeight = 55;
    constexpr int TimeScaleHeight = 40;
    PESGraph1->setMinimumHeight(std::max(MinimumPlotHeight, PESGraph1->axisRectCount() * LeastAxisHeight + TimeScaleHeight));
}

void TfrmGraph::ToolButton1Click()
{
    pnlGraphStatistic->setVisible(ToolButton1->isChecked());
}

void TfrmGraph::ToolButton2Click()
{
    const bool show = ToolButton2->isChecked();
    pnlStatistic->setVisible(show);
    PESGraph1->setShowVertLineAnnotations(show);
    PESGraph1->redraw();
}

void TfrmGraph::ToolButton4Click()
{
    PESGraph1->setArrowCursor(sgArrowCursor);
    host.setCursorTool(GraphHost::CursorTool::Normal);
}

void TfrmGraph::ToolButton5Click()
{
    PESGraph1->setArrowCursor(sgCrossCursor);
    host.setCursorTool(GraphHost::CursorTool::Cross);
}

void TfrmGraph::ToolButton9Click()
{
    PESGraph1->setArrowCursor(sgTextCursor);
    host.setCursorTool(GraphHost::CursorTool::Text);
}

void TfrmGraph::ToolButton15Click()
{
    const auto chosen = Prompts::current().chooseColor(ChartColor::fromRef(host.annotationColor()));
    if (!chosen)
        return;
    const int color = ChartColor::toRef(*chosen);
    for (int i = 0; i <= host.annotationCount(); ++i)
        if (PESGraph1->hasGraphAnnotation(i))
            PESGraph1->setGraphAnnotationColor(i, color);
    host.setAnnotationColor(color);
    ToolButton15->setIcon(glyphIcon(QStringLiteral("●"), *chosen));
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1Click()
{
    if (host.cursorTool() == GraphHost::CursorTool::Normal)
        return;
    const bool text = host.cursorTool() == GraphHost::CursorTool::Text;
    // The pointer's hot spot sits above and left of where the mark goes.
    const QPoint at = PESGraph1->LastMousePosition() + (text ? QPoint(1, 7) : QPoint(15, 15));
    const QPointF value = PESGraph1->pixelToGraph(at);
    if (!PESGraph1->PlottingArea().contains(at))
        return;
    if (text) {
        TfrmAnnoEdit dialog(this);
        if (Prompts::current().exec(dialog) == QDialog::Accepted) {
            const int index = nextAnnotationIndex();
            PESGraph1->setGraphAnnotationType(index, sgAnnotTextOnly);
            PESGraph1->setGraphAnnotationX(index, value.x());
            PESGraph1->setGraphAnnotationY(index, value.y());
            PESGraph1->setGraphAnnotationText(index, dialog.Edit1->text());
            PESGraph1->setGraphAnnotationColor(index, host.annotationColor());
        }
    } else {
        const int index = nextAnnotationIndex();
        PESGraph1->setGraphAnnotationType(index, sgAnnotCross);
        PESGraph1->setGraphAnnotationX(index, value.x());
        PESGraph1->setGraphAnnotationY(index, value.y());
        PESGraph1->setGraphAnnotationColor(index, host.annotationColor());
        PESGraph1->setGraphAnnotationText(index, QString());
    }
    PESGraph1->redraw();
}

int TfrmGraph::nextAnnotationIndex()
{
    // Marks loaded from a graph file or the template keep their indices.
    const auto& marks = PESGraph1->state().graphAnnotations;
    const int highestInChart = marks.isEmpty() ? 0 : marks.lastKey();
    const int index = std::max(host.annotationCount(), highestInChart) + 1;
    host.setAnnotationCount(index);
    return index;
}

void TfrmGraph::PESGraph1MouseMove()
{
    const QPoint at = PESGraph1->LastMousePosition();
    if (!PESGraph1->PlottingArea().contains(at))
        return;
    const QPointF value = PESGraph1->pixelToGraph(at);
    Panel12->setText(Regional::fixed(value.y(), 1) + QLatin1Char('@') + Regional::timeText(value.x()));
}

void TfrmGraph::PESGraph1DataHotSpot(int, int subsetIndex, int pointIndex)
{
    const double x = PESGraph1->XDataII(subsetIndex, pointIndex);
    const float y = PESGraph1->YData(subsetIndex, pointIndex);
    PESGraph1->setGraphAnnotationType(2, sgAnnotCross);
    PESGraph1->setGraphAnnotationColor(2, 0);
    PESGraph1->setGraphAnnotationX(2, x);
    PESGraph1->setGraphAnnotationY(2, y);
    PESGraph1->setGraphAnnotationText(2, Regional::timeText(x) + QChar(13) + Regional::fixed(y, 1));
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1GraphAnnotHotSpot(int dblClick, int nIndex)
{
    if (dblClick == 0)
        return;
    PESGraph1->setGraphAnnotationType(nIndex, sgAnnotTextOnly);
    PESGraph1->setGraphAnnotationText(nIndex, QString());
    PESGraph1->redraw();
}

// ---- Scale, zoom and split ----------------------------------------------------

void TfrmGraph::applySplit(bool split)
{
    if (split) {
        for (int axis = 0; axis < 4; ++axis) {
            PESGraph1->setMultiAxesSubsets(axis, 1);
            PESGraph1->setMultiAxesProportions(axis, 0.25);
        }
        ToolButton5->setEnabled(false);
        ToolButton9->setEnabled(false);
        PESGraph1->setArrowCursor(sgArrowCursor);
        host.setCursorTool(GraphHost::CursorTool::Normal);
    } else {
        PESGraph1->setMultiAxesSubsets(-1, 0);
        PESGraph1->setMultiAxesProportions(0, 1);
        ToolButton5->setEnabled(true);
        ToolButton9->setEnabled(true);
    }
    PESGraph1->redraw();
    PESGraph1->PEactions(sgReinitAndReset);
    // Rebuilding the axes ends any zoom.
    UndoZoom->setEnabled(false);
}

void TfrmGraph::chkSplitClick()
{
    applySplit(chkSplit->isChecked());
}

void TfrmGraph::PESGraph1ZoomIn()
{
    UndoZoom->setEnabled(true);
}

void TfrmGraph::UndoZoomClick()
{
    PESGraph1->PEactions(sgUndoZoom);
    PESGraph1->setPEnarg1(0);
    PESGraph1->setPEnarg2(0);
    PESGraph1->PEactions(sgResetImage);
    UndoZoom->setEnabled(false);
}

// A range bound as the scale fields show it: truncated toward zero. A value
// no int holds is shown as it is, and the field then reads as invalid.
static QString wholeNumberText(double value)
{
    const double whole = std::trunc(value);
    if (whole >= std::numeric_limits<int>::min() && whole <= std::numeric_limits<int>::max())
        return QString::number(static_cast<int>(whole));
    return Regional::fixed(value, 0);
}

// The template takes the chart's look, never its marks or points.
static bool storeTemplate(const PESGraph& chart)
{
    const QString path = AppPaths::userTemplateFile();
    QDir().mkpath(QFileInfo(path).absolutePath());
    return StoreGraphState(ChartTemplate::lookOf(chart.state()), path);
}

void TfrmGraph::btnChangeScaleClick()
{
    TfrmSetupScale dialog(this);
    for (int i = 0; i < 4; ++i) {
        PESGraph1->setWorkingAxis(i);
        dialog.minField(i)->setText(wholeNumberText(PESGraph1->ManualMinY()));
        dialog.maxField(i)->setText(wholeNumberText(PESGraph1->ManualMaxY()));
    }
    PESGraph1->setWorkingAxis(0);
    const int channels = std::min(4, PESGraph1->Subsets());
    const auto reading = [this](int channel, int point) { return double(PESGraph1->YData(channel, point)); };
    std::array<std::optional<ScaleFit::Range>, 4> fits;
    if (PESGraph1->MultiAxesProportions(0) == 1.0) {
        // One axis shared by every channel: it must hold all of their readings.
        const auto shared = ScaleFit::forChannels(channels, PESGraph1->Points(), reading, PESGraph1->NullDataValueY());
        for (int i = 0; i < channels; ++i)
            fits[size_t(i)] = shared;
    } else {
        for (int i = 0; i < channels; ++i)
            fits[size_t(i)] = ScaleFit::forReadings(PESGraph1->Points(), [&](int p) { return reading(i, p); },
                                                    PESGraph1->NullDataValueY());
    }
    dialog.setDataFits(fits);
    if (Prompts::current().exec(dialog) != QDialog::Accepted)
        return;

    QString refusal;
    const std::optional<TfrmSetupScale::Ranges> ranges = dialog.ranges(&refusal);
    if (!ranges) {
        Prompts::current().information(refusal);
        return;
    }
    for (int i = 0; i < 4; ++i) {
        PESGraph1->setWorkingAxis(i);
        PESGraph1->setManualMinY(ranges->mins[size_t(i)]);
        PESGraph1->setManualMaxY(ranges->maxs[size_t(i)]);
    }
    PESGraph1->setWorkingAxis(0);
    PESGraph1->redraw();
    if (dialog.chkSave->isChecked())
        storeTemplate(*PESGraph1);
}

void TfrmGraph::Button1Click()
{
    PESGraph1->PEactions(sgCustomize);
    // Cancel changes nothing, the zoom included.
    if (PESGraph1->DialogResult() != 1)
        return;
    // The dialog leaves the X range alone; a sample taken while it was open
    // may have moved its end, and that stays. Each channel keeps its own Y
    // range: only a range the dialog itself changed is new. Giving every
    // channel the working axis's range would push the others' lines off scale.
    PESGraph1->setManualScaleControlX(sgManualMinAndMax);
    PESGraph1->setWorkingAxis(0);
    PESGraph1->PEactions(sgUndoZoom);
    UndoZoom->setEnabled(false);
    PESGraph1->redraw();
}

void TfrmGraph::PESGraph1CustomizeDlg()
{
    if (PESGraph1->DialogResult() != 1)
        return;
    if (Prompts::current().confirm(QStringLiteral("Do you want to save the changes ?"),
                                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes)
        storeTemplate(*PESGraph1);
}

void TfrmGraph::Button3Click()
{
    const auto font = Prompts::current().chooseFont(pnlStatistic->font());
    if (!font)
        return;
    pnlStatistic->setFont(*font);
    pnlGraphStatistic->setFont(*font);
}

// ---- Clear and close ------------------------------------------------------------

void TfrmGraph::tbntClrClick()
{
    // A save that was cancelled or failed clears nothing.
    if (Prompts::current().confirm(QStringLiteral("Save Real-Time Graph ?"), QMessageBox::Yes | QMessageBox::No)
            == QMessageBox::Yes
        && !host.saveGraph(*PESGraph1))
        return;
    PESGraph1->PEactions(sgUndoZoom);
    UndoZoom->setEnabled(false);
    ClearGraph(*this);
}

bool TfrmGraph::FormCloseQuery()
{
    return host.graphMayClose(*this);
}

void TfrmGraph::FormClose()
{
    host.graphClosing(*this);
    emit closing();
}

bool TfrmGraph::queryClose()
{
    closeAgreed = closed || FormCloseQuery();
    return closeAgreed;
}

void TfrmGraph::closeEvent(QCloseEvent* event)
{
    if (closed) {
        event->accept();
        return;
    }
    if (!closeAgreed && !FormCloseQuery()) {
        event->ignore();
        return;
    }
    closed = true;
    event->accept();
    FormClose();
}

// ---- Shared chart set-up ----------------------------------------------------------

static void setDefaultLook(PESGraph& chart, int subsets, double ymax, double ymin)
{
    chart.setShowVertLineAnnotations(true);
    chart.setAllowVertLineAnnotHotSpots(true);
    chart.setVertLineAnnotationColor(0, 0xFF0000);
    chart.setVertLineAnnotationColor(1, 0x0000FF);
    chart.setLineAnnotationTextSize(80);
    chart.setLineAnnotationTextSize(100);
    chart.setShowGraphAnnotations(true);
    chart.setGraphAnnotationTextSize(100);
    chart.setGridStyle(sgDot);
    chart.setMainTitle(QString());
    chart.setSubTitle(QStringLiteral(" "));
    const int colors[] = {0xFF0000, 0xFFFF00, 0x00FF00, 0xFF00FF};
    for (int i = 0; i < 4; ++i) {
        chart.setSubsetLabels(i, QStringLiteral("T%1").arg(i + 1));
        chart.setSubsetColors(i, colors[i]);
    }
    chart.setDateTimeMode(sgVBDateTime);
    chart.setUsingXDataII(true);
    chart.setXAxisLabel(QStringLiteral("Time"));
    chart.setAllowZooming(sgHorzPlusVertZooming);
    chart.setScrollingHorzZoom(true);
    chart.setScrollingVertZoom(true);
    chart.setGraphForeColor(0x008000);
    chart.setGraphBackColor(0x000000);
    chart.setDeskColor(0xC0C0C0);
    chart.setTextColor(0x000000);
    chart.setAllowAxisPage(false);
    chart.setArrowCursor(sgArrowCursor);
    chart.setMultiAxesSeparators(sgThinLine);
    for (int axis = 0; axis < 4; ++axis) {
        chart.setMultiAxesSubsets(axis, 1);
        chart.setMultiAxesProportions(axis, 0.25);
    }
    for (int axis = 0; axis < std::max(subsets, 4); ++axis) {
        chart.setWorkingAxis(axis);
        chart.setYAxisLabel(QString());
        chart.setManualScaleControlY(sgManualMinAndMax);
        chart.setManualMinY(ymin);
        chart.setManualMaxY(ymax);
    }
}

void PrepareGraph(PESGraph& chart, int subsets, double ymax, double ymin, double xmax, double xmin, int points)
{
    const QString templatePath = AppPaths::templateFileToRead();
    const bool haveTemplate = !templatePath.isEmpty();
    // A template that exists but cannot be read has been reported by the reader;
    // the chart then takes the defaults as if there were none.
    const bool loaded = haveTemplate && LoadGraphFile(chart, templatePath);
    // A template saved by an earlier version may still hold a graph's marks.
    if (loaded)
        chart.setState(ChartTemplate::lookOf(chart.state()));

    chart.setPrepareImages(true);
    chart.setNullDataValueY(NoDataValue);
    chart.setSubsetByPoint(false);
    chart.setSubsets(subsets);
    chart.setPoints(points);
    chart.setNoHelp(true);
    chart.setAllowPopup(false);

    for (int s = 0; s < chart.Subsets(); ++s) {
        chart.setYDataII(-1, s, NoDataValue);
        for (int p = 0; p < chart.Points(); ++p)
            chart.setXDataII(s, p, 0);
    }
    if (xmin != 0) {
        chart.setManualScaleControlX(sgManualMinAndMax);
        chart.setManualMinX(xmin);
        chart.setManualMaxX(xmax);
    }
    chart.setAllowDataLabels(sgNoDataLabels);

    if (!haveTemplate) {
        Prompts::current().information(
            QStringLiteral("Can not fine the file ") + QDir::toNativeSeparators(AppPaths::userTemplateFile())
            + QStringLiteral(" to initialize the graph ,it will use default setting. You can click Graph Option button , then make some change and save."));
    }
    if (!loaded)
        setDefaultLook(chart, subsets, ymax, ymin);

    chart.setWorkingAxis(0);
    chart.setAllowGraphAnnotHotSpots(true);
    chart.redraw();
}

void ClearGraph(TfrmGraph& window)
{
    PESGraph& chart = *window.PESGraph1;
    for (int s = 0; s < chart.Subsets(); ++s) {
        chart.setYDataII(-1, s, NoDataValue);
        for (int p = 0; p < chart.Points(); ++p)
            chart.setXDataII(s, p, 0);
    }
    window.txtDataNo->clear();
    for (int c = 0; c < 4; ++c) {
        window.maxField(c)->clear();
        window.minField(c)->clear();
        window.avgField(c)->clear();
    }
    GraphHost& host = window.Host();
    for (int i = 3; i <= host.annotationCount(); ++i) {
        if (!chart.hasGraphAnnotation(i))
            continue;
        chart.setGraphAnnotationX(i, 0);
        chart.setGraphAnnotationY(i, 0);
    }
    host.setAnnotationCount(3);
    // The alarms of the samples go with them; the limits stay.
    chart.clearAlarmMarks();
    chart.redraw();
    emit window.cleared();
}
