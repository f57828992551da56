#include "panel/PanelPictures.h"

#include <QtGlobal>
#include <mutex>

static void initPanelResource()
{
    Q_INIT_RESOURCE(panel);   // must stand outside any namespace
}

void PanelPictures::registerResources()
{
    static std::once_flag once;
    std::call_once(once, initPanelResource);
}
