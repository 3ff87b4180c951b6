#pragma once

#include <QString>

/** The strings extension available on every text: writes "help" to the process log and answers
 *  "help", whatever the text. */
QString help(const QString& text);
