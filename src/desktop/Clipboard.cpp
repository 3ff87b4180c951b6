#include "Clipboard.h"

void Clipboard::setClipboardNameContentsCountdownCmd(const QString& name, const std::optional<QString>& contents,
                                                     qint32 countdown, const QString& cmd)
{
    m_name = name;
    m_contents = contents;
    m_countdown = countdown;
    m_cmd = cmd;
}
