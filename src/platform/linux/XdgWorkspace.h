#pragma once

#include "Workspace.h"

/**
 * The Linux desktop: documents and web pages open through xdg-open, started detached with its input
 * and output on /dev/null so that the viewer it starts never holds the caller's pipes. The frontmost
 * application is the X11 active window's (or, without a window manager, the focused window's) class;
 * the fonts come from Qt's font database.
 */
class XdgWorkspace : public Workspace
{
public:
    /** false with a trace line when xdg-open is missing or cannot be started. */
    bool open(const QString& fileOrUrl) override;
    /** Runs xdg-open as a child and reports whether it exited with 0 (it exits 3 or 4 when no
     *  application handles the kind, in about 0.1 s); a failure is traced. */
    void openReporting(const QString& fileOrUrl, QObject* context, std::function<void(bool opened)> done) override;
    QString frontApplicationName() const override;
    QString frontApplicationIdentifier() const override;
    QStringList fontFamilies() const override;
};
