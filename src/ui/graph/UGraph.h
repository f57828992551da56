#pragma once
// The graph window: one chart with its tool bar, the strip of recording facts
// above it, the statistics panel below it and, for the data logger, the list
// of data sets at its left. The same window serves the real-time graph, the
// data logger graph, opened graph files and graphs made from tables.

#include "app/CloseQuery.h"
#include "graph/GraphHost.h"

#include <QSize>
#include <QWidget>

class PESGraph;
class QBoxLayout;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QTableWidget;
class QToolBar;
class QToolButton;

class TfrmGraph : public QWidget, public CloseQuery {
    Q_OBJECT
public:
    static constexpr const char* RealTimeCaption = "Real-Time Graph";
    static constexpr const char* DataLoggerCaption = "DataLogger";
    // The chart keeps at least this height; the window scrolls before it shrinks further.
    static constexpr int MinimumPlotHeight = 150;
    // The client size a graph window has unless its creator sizes it.
    static constexpr QSize DesignedSize{1175, 612};

    explicit TfrmGraph(GraphHost& host, QWidget* parent = nullptr);
    ~TfrmGraph() override;

    GraphHost& Host() const { return host; }

    // ---- Controls --------------------------------------------------------
    QFrame* pnlDataSets = nullptr;
    QLabel* StaticText1 = nullptr;       // "Data Sets"
    QTableWidget* Grid2 = nullptr;
    QSplitter* Splitter1 = nullptr;      // data sets | right-hand panel
    QSplitter* Splitter2 = nullptr;      // chart | statistics

    QToolBar* ToolBar1 = nullptr;
    QToolButton* ToolButton1 = nullptr;  // Toggle Graph Statistic
    QToolButton* ToolButton2 = nullptr;  // Toggle Line Cursor Statistic
    QToolButton* ToolButton4 = nullptr;  // Normal Cursor
    QToolButton* ToolButton5 = nullptr;  // Draw A Cross On Graph
    QToolButton* ToolButton9 = nullptr;  // Text
    QToolButton* ToolButton15 = nullptr; // Set Annotation Color
    QToolButton* tbntClr = nullptr;      // Clear (real-time window only)
    QAction* tbntClrAction = nullptr;    // shows or hides "Clear" in the tool bar
    QAction* ClearSeparator = nullptr;   // the separator that goes with it
    QToolButton* UndoZoom = nullptr;
    QCheckBox* chkSplit = nullptr;
    QPushButton* Button1 = nullptr;      // Graph Option
    QPushButton* btnChangeScale = nullptr; // Y Axis
    QPushButton* Button3 = nullptr;      // Font

    QFrame* pnlGraphStatistic = nullptr;
    QLineEdit* txtStartTime = nullptr;
    QComboBox* ComboBox1 = nullptr;      // sampling rate minutes
    QComboBox* ComboBox2 = nullptr;      // sampling rate seconds
    QLineEdit* txtDataNo = nullptr;

    PESGraph* PESGraph1 = nullptr;
    QLabel* Panel12 = nullptr;           // mouse readout, on its own line above the chart's top left

    QFrame* pnlStatistic = nullptr;
    QPushButton* Button2 = nullptr;      // Show MAX/MIN on Graph
    QLineEdit* txtT1Max = nullptr;
    QLineEdit* txtT2Max = nullptr;
    QLineEdit* txtT3Max = nullptr;
    QLineEdit* txtT4Max = nullptr;
    QLineEdit* txtT1Min = nullptr;
    QLineEdit* txtT2Min = nullptr;
    QLineEdit* txtT3Min = nullptr;
    QLineEdit* txtT4Min = nullptr;
    QLineEdit* txtT1Avg = nullptr;
    QLineEdit* txtT2Avg = nullptr;
    QLineEdit* txtT3Avg = nullptr;
    QLineEdit* txtT4Avg = nullptr;

    // The statistics fields of channel 0..3.
    QLineEdit* maxField(int channel) const;
    QLineEdit* minField(int channel) const;
    QLineEdit* avgField(int channel) const;

    // ---- Behaviour -------------------------------------------------------
    // Enables the cross and text tools exactly when the chart shows one axis.
    void updateToolsForLayout();
    // Applies the split (checked) or single view of chkSplit to the chart.
    void applySplit(bool split);
    // Shows "Clear" and its separator (the real-time window).
    void showClearButton(bool show);
    // Gives the window's frame the designed client size, or the main
    // window's client area where that is smaller, centred in it.
    void openAtDesignedSize();
    // Takes the index of a new mark: above AnnotationCount and above every
    // mark this chart already holds.
    int nextAnnotationIndex();

    // Handlers, named after their controls.
    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton9Click();
    void ToolButton15Click();
    void tbntClrClick();
    void UndoZoomClick();
    void chkSplitClick();
    void Button1Click();
    void btnChangeScaleClick();
    void Button3Click();
    void PESGraph1Click();
    void PESGraph1MouseMove();
    void PESGraph1ZoomIn();
    void PESGraph1DataHotSpot(int dblClick, int subsetIndex, int pointIndex);
    void PESGraph1GraphAnnotHotSpot(int dblClick, int nIndex);
    void PESGraph1CustomizeDlg();

    // The close question, which the program answers; true when the window may close.
    bool FormCloseQuery();
    // Tells the program, and the closing() signal's listeners, that the window closes.
    void FormClose();
    bool queryClose() override;
    void closeCancelled() override { closeAgreed = false; }

signals:
    // The window's data and statistics were emptied (ClearGraph).
    void cleared();
    // The window is closing, its close question answered.
    void closing();

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolBar();
    QWidget* buildFactsStrip();
    QWidget* buildStatisticsPanel();
    QWidget* buildDataSetsPanel();

    QBoxLayout* factsRows = nullptr;   // the facts strip's two halves, side by side or stacked
    GraphHost& host;
    bool closed = false;
    bool closeAgreed = false;  // the close question was answered for the main window's closing
};

// Initialises a chart: template or defaults, then subsets, points, X range.
void PrepareGraph(PESGraph& chart, int subsets, double ymax, double ymin, double xmax, double xmin, int points);
// Empties a window's data, text fields and annotations.
void ClearGraph(TfrmGraph& window);
