#pragma once

#include "SharedInstance.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>

/**
 * The string service: number tests and conversions, text editing, dates and times, number names,
 * HTML building and the key-code tables. Its definitions are spread by topic over Strings.cpp,
 * StringsDates.cpp, NumberNames.cpp, Html.cpp and KeyCodes.cpp.
 */
class Strings : public SharedInstance<Strings>
{
    friend class SharedInstance<Strings>;

public:
    // ---- Text utilities (Strings.cpp) ----

    // ---- Dates and times (StringsDates.cpp) ----

    // ---- Number names (NumberNames.cpp) ----

    // ---- HTML building (Html.cpp) ----

    // ---- Key-code tables (KeyCodes.cpp) ----

private:
    Strings();

    // ---- Fields of the text utilities and dates ----

    // ---- Fields of the key-code tables ----
};
