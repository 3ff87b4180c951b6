#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

/** The desktop around the application: opening documents and web pages, the frontmost application
 *  and the installed fonts. */
class Workspace
{
public:
    virtual ~Workspace() = default;

    /** Hands a file path (relative to the current directory) or URL to the user's default application
     *  and returns at once. false when no opener is available (a trace line says why). */
    virtual bool open(const QString& fileOrUrl) = 0;
    /** As open(), and tells done on the main thread whether the opener succeeded (for xdg-open: it
     *  exited with 0), unless context is gone by then. This default answers open()'s result at once. */
    virtual void openReporting(const QString& fileOrUrl, QObject* context, std::function<void(bool opened)> done)
    {
        (void)context;
        done(open(fileOrUrl));
    }
    /** The user-visible name of the frontmost application; "" when it cannot be told. */
    virtual QString frontApplicationName() const = 0;
    /** An identifier of the frontmost application (its window class on X11); "" when unknown. */
    virtual QString frontApplicationIdentifier() const = 0;
    /** The family names of the installed fonts, sorted; empty without a GUI. */
    virtual QStringList fontFamilies() const = 0;
};
