#pragma once

#include "Workspace.h"

/** A workspace for tests: records what it is asked to open; the frontmost application and the fonts
 *  are what the test sets. */
class FakeWorkspace : public Workspace
{
public:
    bool open(const QString& fileOrUrl) override
    {
        m_opened.append(fileOrUrl);
        return m_canOpen;
    }
    QString frontApplicationName() const override { return m_frontName; }
    QString frontApplicationIdentifier() const override { return m_frontId; }
    QStringList fontFamilies() const override { return m_fonts; }

    QStringList opened() const { return m_opened; }
    void setCanOpen(bool canOpen) { m_canOpen = canOpen; }
    void setFrontApplication(const QString& name, const QString& identifier)
    {
        m_frontName = name;
        m_frontId = identifier;
    }
    void setFontFamilies(const QStringList& fonts) { m_fonts = fonts; }

private:
    bool m_canOpen = true;
    QStringList m_opened;
    QString m_frontName;
    QString m_frontId;
    QStringList m_fonts;
};
