#pragma once

#include <QString>
#include <QVariantMap>

/**
 * The monitor's alarm options, kept in "Options.txt" beside the settings file: an XML property list
 * of integers, written atomically. The settings file keeps its own entries; these live apart so that
 * older settings and defaults files stay exactly as they are.
 *
 * At their defaults the options change nothing the monitor did before them (thresholds of 1, no
 * notifications, no instant checks); only the sleep grace is on, which acts only around a suspend.
 */
class AppOptions
{
public:
    /** Failed primary checks in a row before "down" is announced (1..10). */
    int downAfter = 1;
    /** Successful primary checks in a row before "up" is announced (1..10). */
    int upAfter = 1;
    /** The tray shows its "unsure" image while a change waits for its threshold. */
    bool showUnsure = false;
    /** Seconds after a resume during which no "down" is announced (0..600; 0 turns it off). */
    int sleepGrace = 10;
    /** A change of links, addresses or routes brings the next primary check forward. */
    bool instantDetection = false;
    /** The up and down announcements are shown as desktop notifications. */
    bool notifyUp = false;
    bool notifyDown = false;

    static QString fileName() { return QStringLiteral("Options.txt"); }

    /** The options as a dictionary of integers, keys as in the file. */
    QVariantMap toDictionary() const;
    /** The options read from a dictionary. Missing keys keep their defaults; a key of the wrong type or
     *  out of range takes its default and is named in problems. */
    static AppOptions fromDictionary(const QVariantMap& dictionary, QStringList* problems = nullptr);

    /** Reads the file at path. A missing file gives the defaults quietly; a file that is not a
     *  dictionary, or holds wrong values, gives the defaults for what is wrong and one trace line. */
    static AppOptions load(const QString& path);
    /** Writes the file at path in one step; false (old file untouched) on failure. */
    bool save(const QString& path) const;

    friend bool operator==(const AppOptions&, const AppOptions&) = default;
};
