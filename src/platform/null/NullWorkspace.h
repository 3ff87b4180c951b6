#pragma once

#include "Workspace.h"

/** A workspace with no desktop: records what it was asked to open and opens nothing. */
class NullWorkspace : public Workspace
{
public:
    /** Records the request; answers false (nothing was opened). */
    bool open(const QString& fileOrUrl) override;
    QString frontApplicationName() const override { return {}; }
    QString frontApplicationIdentifier() const override { return {}; }
    QStringList fontFamilies() const override { return {}; }

    /** What open() was asked for, oldest first. */
    QStringList requests() const { return m_requests; }

private:
    QStringList m_requests;
};
