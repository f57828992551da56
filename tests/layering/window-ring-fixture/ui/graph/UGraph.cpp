// A graph window that writes the main window's members behind its back.
#include "app/UMain.h"

void TfrmGraph::ToolButton4Click()
{
    main.CursorMode = TfrmMain::CursorTool::Normal;
}
