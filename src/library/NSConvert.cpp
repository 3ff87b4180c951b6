#include "NSConvert.h"

#include "ProcessLog.h"

void NSConvert::greet() const
{
    processLog(QStringLiteral("hello from NSConvert"));
}
