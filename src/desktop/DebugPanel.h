#pragma once

#include "NotificationCenter.h"

#include <QColor>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QTextLayout>

#include <array>
#include <atomic>
#include <memory>

class Arrays;
class Debug;
class FS;
class LibMath;
class Mac_media;
class Mac_objects;
class Mac_system;
class QAbstractButton;
class QCheckBox;
class QFrame;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QSize;
class QWidget;
class Strings;
namespace Ui {
class DebugPanel;
}

/**
 * A floating window that shows the process's trace lines, newest first, and lets traced text drive it.
 *
 * A trace line that is one of the panel's commands fills one of four small text views ("txt2!text"),
 * colours one of 32 status labels for four seconds ("s5!text"), retitles or presses one of ten host
 * buttons ("btn3!title", "btn3"), raises one of seven flashing confirm buttons ("flag4!text"), plays a
 * sound, speaks, prints a ruler ("/", "*", "nl!2"), or works the panel's own controls ("saveLog",
 * "viewLogs", "deleteLogs", "pause", "clr", "clearAll", "time", "date"). Everything else is shown as it
 * is. Host buttons and confirm presses are announced as the notification "DebugPanel" with "btnN".
 *
 * The host creates the panel (several may exist) and calls systemTick() once per tick of its own loop,
 * twelve times a second: lamps, highlights, flashing and the main view move on ticks only. Trace lines
 * written on any thread reach the panel on its own thread; the main view takes all lines that arrived
 * since the previous tick in one update, and keeps at most MaxMainText characters (the oldest go).
 *
 * Saved logs are "yyMMdd_HHmmss.log" files in the documents directory; the log commands never touch any
 * other file there.
 */
class DebugPanel : public QObject
{
    Q_OBJECT

public:
    /** The main view and fullOutStr keep at most this many characters, cut at the oldest end. */
    static constexpr qsizetype MaxMainText = 1024 * 1024;
    /** Longer lines are shown broken into lines of this length. */
    static constexpr qsizetype MaxLineLength = 1000;
    /** "nl!n" prints between 1 and MaxNewLines + 1 line feeds. */
    static constexpr int MaxNewLines = 100;
    /** Font sizes stay within 1 to MaxFontSize points. */
    static constexpr int MaxFontSize = 400;
    static constexpr int NumStatus = 32;
    static constexpr int NumButtons = 10;
    static constexpr int NumConfirms = 7;
    /** Ticks a status highlight lasts. */
    static constexpr int StatusTicks = 48;

    /** The standard colours the panel paints with. */
    struct Colours
    {
        QColor blue, purple, green, red, cyan, yellow, magenta, orange, brown, black, white, gray, darkGray, clear;
    };

    /** Creates the panel, shows its window in front and starts taking "Debug" notifications. */
    explicit DebugPanel(QObject* parent = nullptr);
    ~DebugPanel() override;

    // ---- Clock ----
    /** One tick: gameTick grows by 1, then debugPanel_gameloop(). */
    void systemTick();
    /** The per-tick work: pending lines into the main view, lamp, highlights, pause blink, flashing. */
    void debugPanel_gameloop();

    // ---- Messages ----
    /** Observer of "Debug"; callable from any thread. While enabled, the text goes to updateTxt() on the
     *  panel's thread (at once when called there, else queued in arrival order). */
    void processMsgs(const Notification& notification);
    /** Shows a message (newest first) or runs it as a command; dropped while paused. */
    void updateTxt(const QString& text);
    /** Runs a command: 1 handled, 2 handled with retStr to show, -1 not a command. */
    int processTxtCmds(const QString& text);
    /** Posts the notification "DebugPanel" with the text. */
    void sendMsg(const QString& text);

    // ---- Text outputs ----
    void showTxt0(const QString& text) { showTxt(0, text); }
    void showTxt1(const QString& text) { showTxt(1, text); }
    void showTxt2(const QString& text) { showTxt(2, text); }
    void showTxt3(const QString& text) { showTxt(3, text); }
    /** Logs "str:text" and replaces the text of small view n (0 to 3), keywords coloured. */
    void showTxt(int n, const QString& text);
    void setTitle(const QString& text);
    void setWindowTitle(const QString& text);
    /** Applies fontSize to the text views; txt3 shows "Font Size: NN". */
    void setFontSize();
    /** Empties the main view; txt0 to txt3 show "txt0" to "txt3". */
    void resetTxtBoxes();
    /** Status label N shows "sN". */
    void resetLablStatuses();
    /** Lays the host buttons out again in their row under the title. */
    void repositionBtns();

    /** A text with colour runs over it. */
    struct ColouredText
    {
        QString text;
        QList<QTextLayout::FormatRange> formats;
    };
    /** The view's text coloured: defaultColor over all but the last character, then the keyword lists
     *  (operators orange, digits and "." cyan, screen words white, weekdays and "time" yellow, "debug",
     *  "todo", file endings red), case-insensitively. Empty for an empty view. */
    ColouredText colorWordDefaultColor(const QPlainTextEdit* view, const QColor& defaultColor) const;
    /** The colouring of any text, as colorWordDefaultColor does it. */
    static ColouredText colourKeywords(const QString& text, const QColor& defaultColor);

    // ---- Actions ----
    /** Posts "DebugPanel" with "btnN" (N 0 to 9). */
    void processBtn(int n);
    /** Hides confirm button n and its backing view; its text becomes "". */
    void confirmBtn(int n);
    void clrConfirms();
    /** Empties everything: main view, small views, labels, confirms. */
    void clrBtn();
    /** Saves everything shown as a new log in the documents directory. */
    void saveLog();
    /** Pauses and shows the next saved log. */
    void viewLogs();
    /** Deletes the panel's own logs. */
    void deleteAllLogs();
    void pauseBtnAction();
    void fontBigger();
    void fontSmaller();
    /** Keeps the window above other windows while the check box is on. */
    void alwaysOnTopSender();
    /** Writes an empty trace line and shows or hides the help picture. */
    void hlpDebugAction();
    /** Removes one trailing line feed from the label's text. */
    void removeTrailingCharFromTextField(QLabel* field);

    // ---- State ----
    quint32 gameTick() const { return m_gameTick; }
    quint32 checkTick() const { return m_checkTick; }
    int fontSize() const { return m_fontSize; }
    void setFontSizeValue(int size) { m_fontSize = size; }
    bool isEnabled() const { return m_enabled.load(); }
    void setEnabled(bool on) { m_enabled.store(on); }
    bool isPauseUpdates() const { return m_pauseUpdates; }
    bool isRecievingData() const { return m_recievingData; }
    int status(int n) const;
    /** Everything shown in the main view, newest first (lines since the last tick included). */
    QString fullOutStr() const;
    void setFullOutStr(const QString& text);
    QString retStr() const { return m_retStr; }
    int currentLog() const { return m_currentLog; }
    int num12() const { return m_num12; }
    QString confirmStr(int n) const;
    bool confirmActive(int n) const;
    const Colours& colours() const { return m_colours; }
    /** The lamp's current image name ("greenLed.png", "blackLed.png", "redLed.png"). */
    QString ledImage() const { return m_ledImage; }

    // ---- Controls (owned by the window) ----
    QWidget* window_debug() const;
    QLabel* panelTitle() const;
    QPlainTextEdit* txtMain() const;
    QPlainTextEdit* txt(int n) const;
    QLabel* lblStatus(int n) const;
    QPushButton* btn(int n) const;
    QPushButton* confirm(int n) const;
    QFrame* back(int n) const;
    QPushButton* viewLogBtn() const;
    QPushButton* saveLogBtn() const;
    QPushButton* delLogBtn() const;
    QPushButton* pauseBtn() const;
    QPushButton* clrScreens() const;
    QPushButton* fontSmallerBtn() const;
    QPushButton* fontBiggerBtn() const;
    QLabel* led() const;
    QLabel* hlpDebug() const;
    QCheckBox* alwaysOnTopOutlet() const;

private:
    struct Inbox;

    void init_debugPanel();
    void makeHlp();
    void wireControls();
    void title(QAbstractButton* button, const QString& text, const QColor& colour);
    void setLed(const QString& image);
    void setStatusBackground(int n, const QColor& colour);
    void showMainText(const QString& text);
    void clearMainText();
    void flushMainView();
    Q_INVOKABLE void drainInbox();
    void scheduleDrain();
    // Adds a line for the panel's thread; the inbox's lock is held by the caller.
    void queueLocked(const QString& text);
    static QPixmap drawHelpPicture(const QSize& size);
    void applyConfirmTitles(bool shown);
    int fieldCommand(const QString& command, const QString& argument, const QString& rest);
    QStringList ownLogs(const QString& dir) const;
    void showLog(const QString& dir, const QString& name);
    bool playSound(const QString& name);

    std::unique_ptr<Ui::DebugPanel> m_ui;
    QWidget* m_window = nullptr;
    std::shared_ptr<Inbox> m_inbox;
    NotificationCenter::Token m_observer = 0;

    Mac_objects* m_obj = nullptr;
    Mac_media* m_media = nullptr;
    Mac_system* m_system = nullptr;
    Strings* m_st = nullptr;
    FS* m_fs = nullptr;
    Arrays* m_arrays = nullptr;
    Debug* m_db = nullptr;
    LibMath* m_math = nullptr;
    Colours m_colours;

    quint32 m_gameTick = 0;
    quint32 m_checkTick = 0;
    int m_ledToggle = 0;
    int m_ledSlowToggle = 0;
    int m_fontSize = 12;
    quint32 m_fontSizeCheck = 0;
    std::atomic<bool> m_enabled{false};
    bool m_pauseUpdates = false;
    bool m_recievingData = false;
    std::array<int, NumStatus> m_status{};
    QString m_retStr;
    int m_currentLog = 0;
    int m_num12 = 0;
    std::array<QString, NumConfirms> m_confirmStr;
    std::array<bool, NumConfirms> m_confirmActive{};
    QString m_ledImage;
    QPixmap m_ledPixmaps[3];

    // The main text: m_shown is what the view holds (newest first); m_pending the lines that arrived
    // since, oldest first, which the next tick puts on top in one edit.
    QString m_shown;
    QStringList m_pending;
    qsizetype m_pendingSize = 0;
    bool m_viewStale = false;
};
