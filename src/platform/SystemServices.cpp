#include "DesktopNotifications.h"
#include "SystemEvents.h"

void DesktopNotifications::notify(const QString&, const QString&, QObject*, Answer answer)
{
    answer(false);
}
