#include "MemoryPasteboard.h"

bool MemoryPasteboard::setString(const QString& text)
{
    m_text = text;
    return true;
}
