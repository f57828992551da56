// "Output Tabular to graph": the active table window becomes a new graph window.
#include "app/UMain.h"

#include "app/Prompts.h"
#include "logger/UList.h"

void TfrmMain::btnOutputToGraphClick()
{
    auto* list = qobject_cast<TfrmList*>(activeChild());
    if (!list)
        return;
    if (list->cell(1, 1).isEmpty()) {
        Prompts::current().information(QStringLiteral("No data to graph !"));
        return;
    }
}
