#include "NullKeyEvents.h"

QString NullKeyEvents::unavailableReason() const
{
    return QStringLiteral("cannot post keys: no desktop");
}
