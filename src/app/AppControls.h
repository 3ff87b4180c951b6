#pragma once

// Small helpers the controller's source files share.

#include <QAbstractButton>
#include <QString>

namespace app_controls {

inline QString s(const char* text)
{
    return QString::fromLatin1(text);
}

// Checkbox state as the settings and the checks see it: 1 on, 0 off.
inline int stateOf(const QAbstractButton* box)
{
    return box->isChecked() ? 1 : 0;
}
// Any state but 0 checks the box (the boxes have two states).
inline void setStateOf(QAbstractButton* box, int state)
{
    box->setChecked(state != 0);
}
inline bool isOn(const QAbstractButton* box)
{
    return stateOf(box) != 0;
}
inline bool isExactlyOn(const QAbstractButton* box)
{
    return stateOf(box) == 1;
}

} // namespace app_controls
