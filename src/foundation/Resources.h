#pragma once

#include <QString>

/**
 * The app's resource directory: "<dir of the executable>/../share/carrowen" (build tree and install
 * prefix alike), unless overridden. Answers the path without a trailing slash.
 */
QString resourceDirectory();
/** Overrides the resource directory (tests); "" restores the default. */
void setResourceDirectory(const QString& path);
/** The path of a resource file "name.ext" ("name" alone when ext is empty) in the resource directory. */
QString resourcePath(const QString& name, const QString& ext = {});
