#include "NullWorkspace.h"

#include "Trace.h"

bool NullWorkspace::open(const QString& fileOrUrl)
{
    m_requests.append(fileOrUrl);
    TRACE("no desktop to open %@", fileOrUrl);
    return false;
}
