#pragma once

// The classes generated from the three interface files, for code that reaches the controls through
// AppDelegate::ui(), alertUi() and aboutUi().
#include "ui_AboutWindow.h"
#include "ui_AlarmOptions.h"
#include "ui_AlertWindow.h"
#include "ui_SettingsWindow.h"
