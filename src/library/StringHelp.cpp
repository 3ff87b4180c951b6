#include "StringHelp.h"

#include "ProcessLog.h"

QString help(const QString& text)
{
    Q_UNUSED(text) // the extension answers the same for every text
    processLog(QStringLiteral("help"));
    return QStringLiteral("help");
}
