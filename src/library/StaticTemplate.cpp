#include "StaticTemplate.h"

#include "ProcessLog.h"

void StaticTemplate::greet() const
{
    processLog(QStringLiteral("hello from SingletonTemplate"));
}
