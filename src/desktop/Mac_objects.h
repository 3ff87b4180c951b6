#pragma once

#include "SharedInstance.h"

#include <QColor>
#include <QList>
#include <QPointer>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class LibMath;
class QAbstractButton;
class QAction;
class QKeyEvent;
class QLabel;
class QRadioButton;
class QSystemTrayIcon;
class QTimer;
class QWidget;
class Strings;

/**
 * Shapes the desktop user interface: places and sizes windows on a chosen screen by position and size
 * codes, styles buttons (titles, background and border colours, images, timed colour flashes), frames
 * text and scroll views, styles menu items, radio buttons and the tray icon, names modifier keys and
 * runs a script resource.
 *
 * Geometry is the library's: rectangles are (x, y, width, height) with the origin at the lower left and
 * y growing upwards. Screens and windows are in global coordinates whose y = 0 is the bottom edge of the
 * virtual desktop; a window's rectangle is its whole frame including the title bar. A view's rectangle
 * is relative to its parent widget, y = 0 at the parent's bottom edge. The conversions to Qt's top-left
 * coordinates happen only inside this service.
 *
 * Missing windows, views and images are tolerated: frames read as the zero rectangle and the operation
 * acts on nothing. Main thread only.
 */
class Mac_objects : public SharedInstance<Mac_objects>
{
    friend class SharedInstance<Mac_objects>;

public:
    // Modifier flags of a key event (same values as the platform's KeyEvents).
    static constexpr std::uint64_t CapsLockFlag = 1ull << 16;
    static constexpr std::uint64_t ShiftFlag = 1ull << 17;
    static constexpr std::uint64_t ControlFlag = 1ull << 18;
    static constexpr std::uint64_t OptionFlag = 1ull << 19;
    static constexpr std::uint64_t CommandFlag = 1ull << 20;
    static constexpr std::uint64_t NumericPadFlag = 1ull << 21;
    static constexpr std::uint64_t FunctionFlag = 1ull << 23;

    /** A key event as the library sees it: the virtual key code (0 to 126, the string service's
     *  tables) and the modifier flags above. */
    struct KeyPress
    {
        int keyCode = -1;
        std::uint64_t modifierFlags = 0;
    };

    /** A pending two-colour flash: restored to the original colours when its count runs out. */
    struct FlashEntry
    {
        QPointer<QWidget> button;
        int count = 0;
        QColor originalColor;
        QColor originalBorder;
        QColor flashColor;
        QColor flashBorder;
    };

    /** A pending one-colour flash. */
    struct FlashSimpleEntry
    {
        QPointer<QWidget> button;
        int count = 0;
        QColor originalColor;
        QColor flashColor;
    };

    /** The layer look a view was given by the btn:color: family (and makeNSView). */
    struct Layer
    {
        QColor background;
        QColor border;
        double borderWidth = 0.0;
        double cornerRadius = 0.0;
    };

    // ---- Properties ----
    Strings* st() const { return m_st; }
    void setSt(Strings* strings) { m_st = strings; }
    const QList<FlashEntry>& btnFlash() const { return m_btnFlash; }
    void setBtnFlash(const QList<FlashEntry>& entries) { m_btnFlash = entries; }
    const QList<FlashSimpleEntry>& btnFlashSimple() const { return m_btnFlashSimple; }
    void setBtnFlashSimple(const QList<FlashSimpleEntry>& entries) { m_btnFlashSimple = entries; }
    /** The flash clock, advanced by systemTick. */
    int tick() const { return m_tick; }

    // ---- Window placement and size ----
    /** Places the window on the active screen by the position code (0-8, 6 = centre). Answers NO for an
     *  unknown code (trace "Velbor: DON'T KNOW:%d") or when there is no active screen; YES without a
     *  window (nothing moves). */
    bool windowPositionAnimated(QWidget* window, int position, bool animated);
    /** Places the window on screen screenNumber by the position code; NO (silently) when the number names
     *  no screen, NO with the trace line for an unknown code. */
    bool windowPositionScreenNumberAnimated(QWidget* window, int position, int screenNumber, bool animated);
    /** Places the window on the screen step places after the active one, wrapping round. */
    bool windowPositionNextWindowAnimated(QWidget* window, int position, int step, bool animated);
    /** Moves the window's frame origin (lower left) to (x, y), keeping its size. */
    void windowPosXPosYAnimated(QWidget* window, float x, int y, bool animated);
    /** Sets the window's frame size, keeping its origin (lower left, so the top edge moves). */
    void windowWidthHeightAnimated(QWidget* window, float width, int height, bool animated);
    /** Resizes by the size code 0-9 (halves, thirds, quarters); an unknown code traces and does nothing. */
    void windowResizeAnimated(QWidget* window, int size, bool animated);
    /** YES: shows the window, raises it and makes it the active (key) window; NO: hides it. */
    void windowShow(QWidget* window, bool show);
    /** Keeps the window above normal windows (or not), as the status-window level does; a visible
     *  window stays visible, in place and focused. */
    void windowKeepAbove(QWidget* window, bool above);
    /** Sets the window's flags (Qt::WindowFlags as an integer); a visible window stays visible. */
    void windowStyle(QWidget* window, int styleMask);
    /** Background = changeColorBrightness of the colour; window opacity = alpha (0 to 1). */
    void windowColorBrightnessAlpha(QWidget* window, const QColor& color, float brightness, float alpha);
    /** The window's frame in library coordinates; the zero rectangle for no window. */
    QRectF windowGetFrame(QWidget* window) const;
    /** The number of screens. */
    int getNumberOfScreens() const;
    /** That screen's frame in library coordinates; the zero rectangle for a number that names no screen. */
    QRectF getScrnDimensionsFromScreen(int screenNumber) const;
    /** Index of the active screen (the one holding the window with keyboard focus, else the primary
     *  screen); -1 when there are no screens or none matches. */
    int getActiveScreenNumber() const;

    // ---- Buttons and views ----
    /** Sets the button's title in the colour, centred. */
    void btnTxtTxtColor(QAbstractButton* button, const QString& title, const QColor& color);
    /** Shows the image resource (name with or without extension; ".png" tried when none) on the button;
     *  the button pushes in when pressed. A missing image clears the button's image. */
    void btnImage(QAbstractButton* button, const QString& imageName);
    /** Sets the view's size, keeping its origin (lower left). */
    void btnWidthHeight(QWidget* button, float width, float height);
    /** View origin = (x, window frame height - y), size kept. */
    void btnWindowPosXPosY(QWidget* button, QWidget* window, float x, float y);
    /** View origin x = x. */
    void btnWindowPosX(QWidget* button, QWidget* window, float x);
    /** View origin y = window frame height - y. */
    void btnWindowPosY(QWidget* button, QWidget* window, float y);
    /** Gives the view a fresh layer with the background colour (no border). */
    void btnColor(QWidget* view, const QColor& color);
    /** A fresh layer with background and border colour. */
    void btnColorBorderColor(QWidget* view, const QColor& color, const QColor& borderColor);
    /** A fresh layer with background, border colour, border width and corner radius. */
    void btnColorBorderColorBorderWidthCornerRadius(QWidget* view, const QColor& color, const QColor& borderColor,
                                                    float borderWidth, float cornerRadius);
    /** The layer the btn:color: family gave the view; none when it has none. */
    std::optional<Layer> layerOf(const QWidget* view) const;
    /** Queues a two-colour flash of count steps and shows the flash colours now. */
    void btnFlashOriginalColorOriginalBorderFlashlColorFlashBorder(QWidget* button, int count,
                                                                   const QColor& originalColor,
                                                                   const QColor& originalBorder,
                                                                   const QColor& flashlColor,
                                                                   const QColor& flashBorder);
    /** Queues a one-colour flash of count steps and shows the flash colour now. */
    void btnFlashOriginalColorFlashlColor(QWidget* button, int count, const QColor& originalColor,
                                          const QColor& flashlColor);
    /** Advances the flash clock (a negative result becomes 0) and takes one steady step of both queues.
     *  The caller decides how often it runs. */
    void systemTick();
    /** Runs systemTick every intervalMs milliseconds on a timer of the main thread (restarts a running
     *  one); an interval below 1 stops it. Nothing runs systemTick until this is called. */
    void startFlashTimer(int intervalMs);
    /** Stops the timer started by startFlashTimer. */
    void stopFlashTimer();
    /** Whether the flash timer runs. */
    bool isFlashTimerActive() const;
    /** One steady step of the two-colour queue. */
    void processFlashBtnQueue();
    /** One blinking step of the two-colour queue (originals on counts divisible by 3). */
    void processFlashBtnQueueFlash();
    /** One steady step of the one-colour queue. */
    void processFlashBtnSimpleQueue();
    /** One blinking step of the one-colour queue. */
    void processFlashBtnSimpleQueueRepeat();

    /** Sets the text view's text and background colours. */
    void textViewTextColorBackgroundColor(QWidget* textView, const QColor& textColor, const QColor& backgroundColor);
    /** Switches spell and grammar checking; Qt has no checker, so the choice is kept on the view as the
     *  properties "continuousSpellCheckingEnabled" and "grammarCheckingEnabled". */
    void textViewSpellCheckGrammarCheck(QWidget* textView, bool spellCheck, bool grammarCheck);
    /** Moves the view's origin, size kept. */
    void textViewPosXPosY(QWidget* textView, float x, int y);
    /** Sets the view's size, origin kept, and redraws. */
    void textViewWidthHeight(QWidget* textView, float width, int height);
    /** Sets the view's whole frame. */
    void textViewPosXPosYWidthHeight(QWidget* textView, float x, int y, float width, int height);
    /** Scroll view frame = rect; clip and text view frames = (1, 1, width - 1, height - 1). */
    void posScrollViewClipViewTextViewPosition(QWidget* scrollView, QWidget* clipView, QWidget* textView,
                                               const QRectF& rect);
    /** Scroll view frame = rect; its own viewport = (1, 1, width - 1, height - 1); the clip and text
     *  views are not used. */
    void posScrollView2ClipViewTextViewPosition(QWidget* scrollView, QWidget* clipView, QWidget* textView,
                                                const QRectF& rect);
    /** Gives the view a layer of black at opacity 0.4 with the border colour and width, and the frame;
     *  the colour and alpha arguments are not used. */
    void makeNSViewXYWHBackcolorBorderColorBorderWidthAlpha(QWidget* view, float x, float y, float w, float h,
                                                            const QColor& backcolor, const QColor& borderColor,
                                                            float borderWidth, float alpha);
    /** A hidden image label of the named image with that frame, added to the window (drawn once, then
     *  hidden); none when there is no window. The holder is not used. */
    QLabel* addImageStrToImageHolderToWindowSize(const QString& imageName, QWidget* holder, QWidget* window,
                                                 const QRectF& rect);
    /** Menu item title in the font, size and colour; font "default" means "Helvetica" 15 whatever the
     *  size. The colour is kept as the action property "textColor" (Qt menus draw one colour). */
    void setMenuItemTitleFontSizeColor(QAction* item, const QString& title, const QString& fontName, int size,
                                       const QColor& color);
    /** The radio button's title becomes the text in the colour. */
    void setRadioBtnTextColor(QRadioButton* button, const QString& text, const QColor& color);
    /** The tray icon shows the image resource and the tooltip; highlighting is kept as the property
     *  "highlightMode". */
    void setMenubarWithImgToolTipHighlighted(QSystemTrayIcon* item, const QString& imageName, const QString& toolTip,
                                             bool highlighted);
    /** The tray icon shows the title drawn as its image, and the tooltip. */
    void setMenubarWithTxtToolTipHighlighted(QSystemTrayIcon* item, const QString& title, const QString& toolTip,
                                             bool highlighted);

    // ---- Colours and keys ----
    /** A new opaque colour with red, green and blue multiplied by factor (clamped to 0..1); an invalid
     *  colour is answered unchanged. */
    QColor changeColorBrightness(const QColor& color, float factor) const;
    /** The same colour in the same colour space (Qt colours need no release). */
    QColor NSColorToCGColor(const QColor& color) const;
    /** The names of the held modifiers, each followed by separator: cmd, ctl, a-shift, shift, option,
     *  fn, num in that order. */
    QString modifierKeysToStringWithSeparator(const KeyPress& event, const QString& separator) const;
    /** modifierKeysToString followed by the key's plain name ("???" for a code outside 0 to 126). */
    QString modifierKeysToShortcutWithSeparator(const KeyPress& event, const QString& separator);
    /** YES for a function key; YES for a plain character (not a control key) held with option, command
     *  or shift; otherwise NO. Logs what it found. */
    bool couldKeyBeShortcut(const KeyPress& event);
    /** The library's key event of a Qt key event: key code from the key's name, flags from the
     *  modifiers (Meta = command, Control = control, Alt = option). keyCode -1 for unnamed keys. */
    KeyPress keyPressFromQKeyEvent(const QKeyEvent& event);
    /** Writes "Status: ..." with the held modifiers to the process log. */
    void dbStatuskeys(std::uint64_t flags) const;
    /** Posts a key-down and key-up of keyCode without modifiers (a trace line when keys cannot be
     *  posted). */
    void postKeycodeFlags(std::uint16_t keyCode, std::uint64_t flags);
    /** Runs the script resource "name.ext" of the resource directory with /bin/sh in the current
     *  directory, waiting at most 30 s; output, exit status and errors are ignored. */
    void runApplescriptFromBundleWithNameAndExt(const QString& name, const QString& ext);
    /** Writes "hello from Mac_objects" to the process log. */
    void greet() const;

    // ---- Geometry conversion (pure; public for tests and other desktop services) ----
    /** The Qt rectangle (top-left origin) of a library rectangle, against the virtual desktop. */
    static QRectF toQtRect(const QRectF& libraryRect, const QRectF& virtualDesktop);
    /** The library rectangle (lower-left origin) of a Qt rectangle, against the virtual desktop. */
    static QRectF fromQtRect(const QRectF& qtRect, const QRectF& virtualDesktop);
    /** The window origin (lower left) for a position code on a screen; none for an unknown code. */
    static std::optional<QPointF> placementOrigin(const QRectF& screen, const QSizeF& window, int position);
    /** The new size for a size code; none for an unknown code. */
    static std::optional<QSizeF> resizedSize(const QSizeF& size, int sizeCode);

private:
    Mac_objects();
    ~Mac_objects();

    /** The value when finite, otherwise 0. */
    static double finiteOrZero(double v);
    void applyLayer(QWidget* view, const Layer& layer);
    void setViewFrame(QWidget* view, const QRectF& rect);
    QRectF viewFrame(const QWidget* view) const;

    Strings* m_st = nullptr;
    LibMath* m_math = nullptr;
    QList<FlashEntry> m_btnFlash;
    QList<FlashSimpleEntry> m_btnFlashSimple;
    int m_tick = 0;
    std::unique_ptr<QTimer> m_flashTimer;
};
