#include "app/ToolIcons.h"

#include <QtGlobal>
#include <mutex>

static void initToolIconsResource()
{
    Q_INIT_RESOURCE(toolicons);   // must stand outside any namespace
}

QIcon ToolIcons::help()
{
    static std::once_flag once;
    std::call_once(once, initToolIconsResource);
    return QIcon(QStringLiteral(":/tools/help.svg"));
}
