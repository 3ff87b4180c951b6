#include "LibraryException.h"

LibraryException::LibraryException(const QString& name, const QString& reason)
    : m_name(name), m_reason(reason), m_what(reason.toUtf8())
{
}
