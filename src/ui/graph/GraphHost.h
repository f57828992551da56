#pragma once
// What a graph window needs of the program around it: the mark tools that
// every graph window shares, the graph save dialog, a place among the child
// windows, and the program's say on closing. The main window implements it;
// tests can fake it in a few lines.

class PESGraph;
class QMdiSubWindow;
class QWidget;
class TfrmGraph;

class GraphHost {
public:
    enum class CursorTool { Normal, Text, Cross };

    virtual ~GraphHost() = default;

    // ---- Marks, shared by all graph windows --------------------------------
    virtual CursorTool cursorTool() const = 0;
    virtual void setCursorTool(CursorTool tool) = 0;
    // The colour of new marks, a Windows colour value 0x00BBGGRR.
    virtual int annotationColor() const = 0;
    virtual void setAnnotationColor(int color) = 0;
    // The highest mark index handed out; a new mark takes one above it.
    virtual int annotationCount() const = 0;
    virtual void setAnnotationCount(int count) = 0;

    // ---- Files and windows ---------------------------------------------------
    // Saves `chart` through the graph save dialog in the program's document
    // folder; false when the dialog was cancelled or nothing was written.
    virtual bool saveGraph(PESGraph& chart) = 0;
    // Puts a new child window into the frame; the frame window owns it.
    virtual QMdiSubWindow* addChild(QWidget* child) = 0;

    // ---- Closing -------------------------------------------------------------
    // The program's questions before `graph` closes (unsaved data sets or
    // samples); true when it may close.
    virtual bool graphMayClose(TfrmGraph& graph) = 0;
    // `graph` is closing, its close question answered.
    virtual void graphClosing(TfrmGraph& graph) = 0;
};
