#include "Mac_objects.h"

#include "KeyEvents.h"
#include "LibMath.h"
#include "Platform.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QProcess>
#include <QPropertyAnimation>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>

namespace {

// Dynamic properties that carry a view's layer and title colour; the style sheet is built from them.
constexpr const char* StyledProperty = "carrowenStyled";
constexpr const char* LayerBackgroundProperty = "carrowenLayerBackground";
constexpr const char* LayerBorderProperty = "carrowenLayerBorder";
constexpr const char* LayerBorderWidthProperty = "carrowenLayerBorderWidth";
constexpr const char* LayerCornerRadiusProperty = "carrowenLayerCornerRadius";
constexpr const char* TitleColorProperty = "carrowenTitleColor";

constexpr int AnimationMilliseconds = 200;
constexpr int ScriptTimeoutMilliseconds = 30000;

// The virtual desktop in Qt coordinates; empty without screens.
QRectF virtualDesktop()
{
    const QScreen* primary = QGuiApplication::primaryScreen();
    return primary ? QRectF(primary->virtualGeometry()) : QRectF();
}

// A double truncated toward zero into an int, saturating; NaN gives 0.
int truncToInt(double v)
{
    if (std::isnan(v)) {
        return 0;
    }
    if (v >= double(INT_MAX)) {
        return INT_MAX;
    }
    if (v <= double(INT_MIN)) {
        return INT_MIN;
    }
    return int(std::trunc(v));
}

// A finite float or 0.
double finiteOrZero(double v)
{
    return std::isfinite(v) ? v : 0.0;
}

QString cssColor(const QColor& color)
{
    const QColor c = color.toRgb();
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(c.red()).arg(c.green()).arg(c.blue()).arg(c.alpha());
}

// Rebuilds the view's style sheet from its layer and title colour. The rule is scoped to the view itself
// by a property selector, so children keep their own look.
void refreshStyleSheet(QWidget* view)
{
    QStringList rules;
    const QVariant background = view->property(LayerBackgroundProperty);
    if (background.isValid()) {
        const QColor border = view->property(LayerBorderProperty).value<QColor>();
        const double width = view->property(LayerBorderWidthProperty).toDouble();
        const double radius = view->property(LayerCornerRadiusProperty).toDouble();
        rules << QStringLiteral("background-color: %1;").arg(cssColor(background.value<QColor>()));
        if (width > 0.0 && border.isValid()) {
            rules << QStringLiteral("border: %1px solid %2;").arg(width).arg(cssColor(border));
        } else {
            rules << QStringLiteral("border: none;");
        }
        rules << QStringLiteral("border-radius: %1px;").arg(radius);
    }
    const QVariant title = view->property(TitleColorProperty);
    if (title.isValid()) {
        rules << QStringLiteral("color: %1;").arg(cssColor(title.value<QColor>()));
        if (qobject_cast<QAbstractButton*>(view)) {
            rules << QStringLiteral("text-align: center;");
        }
    }
    view->setProperty(StyledProperty, true);
    view->setStyleSheet(
        QStringLiteral("*[%1=\"true\"] { %2 }").arg(QString::fromLatin1(StyledProperty), rules.join(QLatin1Char(' '))));
}

// The image resource by name: an absolute path, the name itself in the resource directory, or the name
// with ".png". A null pixmap when none loads.
QPixmap loadImage(const QString& name)
{
    if (name.isEmpty()) {
        return {};
    }
    QStringList candidates;
    if (QFileInfo(name).isAbsolute()) {
        candidates << name;
    } else {
        candidates << resourcePath(name) << resourcePath(name, QStringLiteral("png"));
    }
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile()) {
            QPixmap pixmap(path);
            if (!pixmap.isNull()) {
                return pixmap;
            }
        }
    }
    return {};
}

// The widget that holds a window's content.
QWidget* contentOf(QWidget* window)
{
    if (auto* main = qobject_cast<QMainWindow*>(window); main && main->centralWidget()) {
        return main->centralWidget();
    }
    return window;
}

// Shows a flag change on a window: Qt hides a window whose flags change, so a visible one is shown again.
void setFlagsKeepingVisible(QWidget* window, Qt::WindowFlags flags)
{
    const bool visible = window->isVisible();
    window->setWindowFlags(flags);
    if (visible) {
        window->show();
    }
}

// The library name of a Qt key ("" when the tables have none).
QString keyName(int key)
{
    if (key >= Qt::Key_F1 && key <= Qt::Key_F15) {
        return QStringLiteral("f%1").arg(key - Qt::Key_F1 + 1);
    }
    switch (key) {
    case Qt::Key_Return:
        return QStringLiteral("return");
    case Qt::Key_Enter:
        return QStringLiteral("enter");
    case Qt::Key_Tab:
        return QStringLiteral("tab");
    case Qt::Key_Backspace:
        return QStringLiteral("delete");
    case Qt::Key_Delete:
        return QStringLiteral("fdelete");
    case Qt::Key_Escape:
        return QStringLiteral("escape");
    case Qt::Key_Space:
        return QStringLiteral(" ");
    case Qt::Key_Home:
        return QStringLiteral("home");
    case Qt::Key_End:
        return QStringLiteral("end");
    case Qt::Key_PageUp:
        return QStringLiteral("pgup");
    case Qt::Key_PageDown:
        return QStringLiteral("pgdn");
    case Qt::Key_Left:
        return QStringLiteral("left");
    case Qt::Key_Right:
        return QStringLiteral("right");
    case Qt::Key_Up:
        return QStringLiteral("up");
    case Qt::Key_Down:
        return QStringLiteral("down");
    case Qt::Key_Help:
        return QStringLiteral("help");
    case Qt::Key_Clear:
        return QStringLiteral("clear");
    default:
        break;
    }
    if (key > 0x20 && key < 0x7f) {
        return QString(QChar(key)).toLower();
    }
    return {};
}

} // namespace

Mac_objects::Mac_objects() : m_st(Strings::sharedEngineInstance()), m_math(LibMath::sharedEngineInstance()) {}

Mac_objects::~Mac_objects() = default;

// ---- Geometry ----

QRectF Mac_objects::toQtRect(const QRectF& libraryRect, const QRectF& desktop)
{
    const double bottom = desktop.y() + desktop.height();
    return {libraryRect.x(), bottom - (libraryRect.y() + libraryRect.height()), libraryRect.width(),
            libraryRect.height()};
}

QRectF Mac_objects::fromQtRect(const QRectF& qtRect, const QRectF& desktop)
{
    // The flip is its own inverse.
    return toQtRect(qtRect, desktop);
}

std::optional<QPointF> Mac_objects::placementOrigin(const QRectF& screen, const QSizeF& window, int position)
{
    const double sw = screen.width();
    const double sh = screen.height();
    const double ww = window.width();
    const double wh = window.height();
    // Share of the free width and height left of and below the window, per position code: left, right,
    // centre by middle, top, bottom.
    static constexpr std::array<std::pair<double, double>, 9> shares = {
        {{0.0, 0.5}, {0.0, 1.0}, {0.0, 0.0}, {1.0, 0.5}, {1.0, 1.0}, {1.0, 0.0}, {0.5, 0.5}, {0.5, 1.0}, {0.5, 0.0}}};
    if (position < 0 || position >= int(shares.size())) {
        return std::nullopt;
    }
    const double dx = (sw - ww) * shares[std::size_t(position)].first;
    const double dy = (sh - wh) * shares[std::size_t(position)].second;
    return QPointF(double(float(screen.x() + dx)), double(truncToInt(screen.y() + dy)));
}

std::optional<QSizeF> Mac_objects::resizedSize(const QSizeF& size, int sizeCode)
{
    const double w = size.width();
    const double h = size.height();
    switch (sizeCode) {
    case 0:
        return QSizeF(w * 0.5, h * 0.5);
    case 1:
        return QSizeF(w * 0.5, h);
    case 2:
        return QSizeF(w, h * 0.5);
    case 3:
        return QSizeF(w / 3.0, h / 3.0);
    case 4:
        return QSizeF(w / 3.0, h);
    case 5:
        return QSizeF(w, h / 3.0);
    case 6:
        return QSizeF(w * 0.25, h * 0.25);
    case 7:
        return QSizeF(w * 0.25, h);
    case 8:
        return QSizeF(w, h * 0.25);
    case 9:
        return QSizeF(w, h);
    default:
        return std::nullopt;
    }
}

QRectF Mac_objects::viewFrame(const QWidget* view) const
{
    if (!view) {
        return {};
    }
    if (view->isWindow()) {
        return fromQtRect(QRectF(view->geometry()), virtualDesktop());
    }
    const double parentHeight = view->parentWidget() ? view->parentWidget()->height() : 0.0;
    const QRect g = view->geometry();
    return {double(g.x()), parentHeight - (g.y() + g.height()), double(g.width()), double(g.height())};
}

void Mac_objects::setViewFrame(QWidget* view, const QRectF& rect)
{
    if (!view) {
        return;
    }
    const QRectF r(finiteOrZero(rect.x()), finiteOrZero(rect.y()), std::max(0.0, finiteOrZero(rect.width())),
                   std::max(0.0, finiteOrZero(rect.height())));
    if (view->isWindow()) {
        view->setGeometry(toQtRect(r, virtualDesktop()).toRect());
        return;
    }
    const double parentHeight = view->parentWidget() ? view->parentWidget()->height() : 0.0;
    view->setGeometry(QRectF(r.x(), parentHeight - (r.y() + r.height()), r.width(), r.height()).toRect());
}

// ---- Window placement and size ----

bool Mac_objects::windowPositionAnimated(QWidget* window, int position, bool animated)
{
    return windowPositionScreenNumberAnimated(window, position, getActiveScreenNumber(), animated);
}

bool Mac_objects::windowPositionScreenNumberAnimated(QWidget* window, int position, int screenNumber, bool animated)
{
    const QRectF screen = getScrnDimensionsFromScreen(screenNumber);
    if (screen.height() == 0.0) {
        return false;
    }
    const QRectF frame = windowGetFrame(window);
    const std::optional<QPointF> origin = placementOrigin(screen, frame.size(), position);
    if (!origin) {
        TRACE("Velbor: DON'T KNOW:%d", position);
        return false;
    }
    if (!window) {
        return false;
    }
    windowPosXPosYAnimated(window, float(origin->x()), int(origin->y()), animated);
    return true;
}

bool Mac_objects::windowPositionNextWindowAnimated(QWidget* window, int position, int step, bool animated)
{
    const int count = getNumberOfScreens();
    if (count < 1) {
        return false;
    }
    const int next = m_math->cycleIntMinMaxStep(getActiveScreenNumber(), 0, count - 1, step);
    return windowPositionScreenNumberAnimated(window, position, next, animated);
}

void Mac_objects::windowPosXPosYAnimated(QWidget* window, float x, int y, bool animated)
{
    if (!window) {
        return;
    }
    window = window->window();
    const QRectF frame = windowGetFrame(window);
    const QRectF target(finiteOrZero(x), y, frame.width(), frame.height());
    const QPoint topLeft = toQtRect(target, virtualDesktop()).topLeft().toPoint();
    if (animated && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "pos", window);
        animation->setDuration(AnimationMilliseconds);
        animation->setEndValue(topLeft);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->move(topLeft);
    }
    window->update();
}

void Mac_objects::windowWidthHeightAnimated(QWidget* window, float width, int height, bool animated)
{
    if (!window) {
        return;
    }
    window = window->window();
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    // The title bar and borders stay as they are; the frame's lower-left corner stays put.
    const int extraW = frame.width() - client.width();
    const int extraH = frame.height() - client.height();
    const int frameW = std::max(0, truncToInt(std::round(finiteOrZero(width))));
    const int frameH = std::max(0, height);
    const int frameBottom = frame.y() + frame.height();
    const QRect target(client.x(), frameBottom - frameH + (client.y() - frame.y()), std::max(0, frameW - extraW),
                       std::max(0, frameH - extraH));
    if (animated && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "geometry", window);
        animation->setDuration(AnimationMilliseconds);
        animation->setEndValue(target);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->setGeometry(target);
    }
    window->update();
}

void Mac_objects::windowResizeAnimated(QWidget* window, int size, bool animated)
{
    const QRectF frame = windowGetFrame(window);
    TRACE("W:%f  H:%f", frame.width(), frame.height());
    const std::optional<QSizeF> target = resizedSize(frame.size(), size);
    if (!target) {
        TRACE("Velbor: DON'T KNOW:%d", size);
        return;
    }
    windowWidthHeightAnimated(window, float(target->width()), truncToInt(target->height()), animated);
}

void Mac_objects::windowShow(QWidget* window, bool show)
{
    if (!window) {
        return;
    }
    window = window->window();
    if (!show) {
        window->hide();
        return;
    }
    window->show();
    window->raise();
    window->activateWindow();
}

void Mac_objects::windowKeepAbove(QWidget* window, bool above)
{
    if (!window) {
        return;
    }
    window = window->window();
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == above) {
        return;
    }
    setFlagsKeepingVisible(window, window->windowFlags().setFlag(Qt::WindowStaysOnTopHint, above));
}

void Mac_objects::windowStyle(QWidget* window, int styleMask)
{
    if (!window) {
        return;
    }
    window = window->window();
    setFlagsKeepingVisible(window, Qt::WindowFlags(styleMask) | Qt::Window);
}

void Mac_objects::windowColorBrightnessAlpha(QWidget* window, const QColor& color, float brightness, float alpha)
{
    if (!window) {
        return;
    }
    window = window->window();
    QPalette palette = window->palette();
    palette.setColor(QPalette::Window, changeColorBrightness(color, brightness));
    window->setPalette(palette);
    window->setAutoFillBackground(true);
    window->setWindowOpacity(std::clamp(std::isfinite(alpha) ? double(alpha) : 1.0, 0.0, 1.0));
}

QRectF Mac_objects::windowGetFrame(QWidget* window) const
{
    if (!window) {
        return {};
    }
    return fromQtRect(QRectF(window->window()->frameGeometry()), virtualDesktop());
}

int Mac_objects::getNumberOfScreens() const
{
    return int(QGuiApplication::screens().size());
}

QRectF Mac_objects::getScrnDimensionsFromScreen(int screenNumber) const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screenNumber < 0 || screenNumber >= screens.size()) {
        return {};
    }
    return fromQtRect(QRectF(screens.at(screenNumber)->geometry()), virtualDesktop());
}

int Mac_objects::getActiveScreenNumber() const
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    const QWindow* focus = QGuiApplication::focusWindow();
    const QScreen* main = focus && focus->screen() ? focus->screen() : QGuiApplication::primaryScreen();
    if (!main) {
        return -1;
    }
    for (int i = 0; i < screens.size(); ++i) {
        if (screens.at(i)->geometry() == main->geometry()) {
            return i;
        }
    }
    return -1;
}

// ---- Buttons and views ----

void Mac_objects::btnTxtTxtColor(QAbstractButton* button, const QString& title, const QColor& color)
{
    if (!button) {
        return;
    }
    button->setText(title);
    QPalette palette = button->palette();
    palette.setColor(QPalette::ButtonText, color);
    palette.setColor(QPalette::WindowText, color);
    button->setPalette(palette);
    button->setProperty(TitleColorProperty, color);
    refreshStyleSheet(button);
}

void Mac_objects::btnImage(QAbstractButton* button, const QString& imageName)
{
    if (!button) {
        return;
    }
    const QPixmap pixmap = loadImage(imageName);
    button->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
    if (!pixmap.isNull()) {
        button->setIconSize(pixmap.size());
    }
}

void Mac_objects::btnWidthHeight(QWidget* button, float width, float height)
{
    if (!button) {
        return;
    }
    const QRectF f = viewFrame(button);
    setViewFrame(button, QRectF(f.x(), f.y(), width, height));
}

void Mac_objects::btnWindowPosXPosY(QWidget* button, QWidget* window, float x, float y)
{
    if (!button) {
        return;
    }
    const QRectF f = viewFrame(button);
    setViewFrame(button, QRectF(x, windowGetFrame(window).height() - y, f.width(), f.height()));
}

void Mac_objects::btnWindowPosX(QWidget* button, QWidget* /*window*/, float x)
{
    if (!button) {
        return;
    }
    const QRectF f = viewFrame(button);
    setViewFrame(button, QRectF(x, f.y(), f.width(), f.height()));
}

void Mac_objects::btnWindowPosY(QWidget* button, QWidget* window, float y)
{
    if (!button) {
        return;
    }
    const QRectF f = viewFrame(button);
    setViewFrame(button, QRectF(f.x(), windowGetFrame(window).height() - y, f.width(), f.height()));
}

void Mac_objects::applyLayer(QWidget* view, const Layer& layer)
{
    if (!view) {
        return;
    }
    view->setProperty(LayerBackgroundProperty, layer.background);
    view->setProperty(LayerBorderProperty, layer.border);
    view->setProperty(LayerBorderWidthProperty, layer.borderWidth);
    view->setProperty(LayerCornerRadiusProperty, layer.cornerRadius);
    view->setAttribute(Qt::WA_StyledBackground, true);
    refreshStyleSheet(view);
}

void Mac_objects::btnColor(QWidget* view, const QColor& color)
{
    applyLayer(view, Layer{color, QColor(), 0.0, 0.0});
}

void Mac_objects::btnColorBorderColor(QWidget* view, const QColor& color, const QColor& borderColor)
{
    applyLayer(view, Layer{color, borderColor, 0.0, 0.0});
}

void Mac_objects::btnColorBorderColorBorderWidthCornerRadius(QWidget* view, const QColor& color,
                                                             const QColor& borderColor, float borderWidth,
                                                             float cornerRadius)
{
    applyLayer(view, Layer{color, borderColor, std::max(0.0, finiteOrZero(borderWidth)),
                           std::max(0.0, finiteOrZero(cornerRadius))});
}

std::optional<Mac_objects::Layer> Mac_objects::layerOf(const QWidget* view) const
{
    if (!view || !view->property(LayerBackgroundProperty).isValid()) {
        return std::nullopt;
    }
    return Layer{
        view->property(LayerBackgroundProperty).value<QColor>(), view->property(LayerBorderProperty).value<QColor>(),
        view->property(LayerBorderWidthProperty).toDouble(), view->property(LayerCornerRadiusProperty).toDouble()};
}

void Mac_objects::btnFlashOriginalColorOriginalBorderFlashlColorFlashBorder(QWidget* button, int count,
                                                                            const QColor& originalColor,
                                                                            const QColor& originalBorder,
                                                                            const QColor& flashlColor,
                                                                            const QColor& flashBorder)
{
    m_btnFlash.append(FlashEntry{button, count, originalColor, originalBorder, flashlColor, flashBorder});
    btnColorBorderColor(button, flashlColor, flashBorder);
}

void Mac_objects::btnFlashOriginalColorFlashlColor(QWidget* button, int count, const QColor& originalColor,
                                                   const QColor& flashlColor)
{
    m_btnFlashSimple.append(FlashSimpleEntry{button, count, originalColor, flashlColor});
    btnColor(button, flashlColor);
}

void Mac_objects::systemTick()
{
    m_tick = m_tick == INT_MAX ? 0 : std::max(0, m_tick + 1);
    processFlashBtnQueue();
    processFlashBtnSimpleQueue();
}

void Mac_objects::startFlashTimer(int intervalMs)
{
    if (intervalMs < 1) {
        stopFlashTimer();
        return;
    }
    if (!m_flashTimer) {
        m_flashTimer = std::make_unique<QTimer>();
        QObject::connect(m_flashTimer.get(), &QTimer::timeout, m_flashTimer.get(), [this] { systemTick(); });
    }
    m_flashTimer->start(intervalMs);
}

void Mac_objects::stopFlashTimer()
{
    if (m_flashTimer) {
        m_flashTimer->stop();
    }
}

bool Mac_objects::isFlashTimerActive() const
{
    return m_flashTimer && m_flashTimer->isActive();
}

namespace {

// One step over a flash queue. Entries whose button is gone are dropped. blink chooses the blinking
// variant; restore shows an entry's original colours, flash its flash colours.
template <typename Entry, typename Restore, typename Flash>
void stepQueue(QList<Entry>& queue, bool blink, Restore restore, Flash flash)
{
    for (qsizetype i = 0; i < queue.size();) {
        Entry& entry = queue[i];
        if (!entry.button) {
            queue.removeAt(i);
            continue;
        }
        if (entry.count < 1) {
            const Entry done = entry;
            queue.removeAt(i);
            restore(done);
            continue;
        }
        if (blink) {
            if (entry.count % 3 == 0) {
                restore(entry);
            } else {
                flash(entry);
            }
        }
        entry.count -= 1;
        ++i;
    }
}

} // namespace

void Mac_objects::processFlashBtnQueue()
{
    stepQueue(
        m_btnFlash, false,
        [this](const FlashEntry& e) { btnColorBorderColor(e.button, e.originalColor, e.originalBorder); },
        [this](const FlashEntry& e) { btnColorBorderColor(e.button, e.flashColor, e.flashBorder); });
}

void Mac_objects::processFlashBtnQueueFlash()
{
    stepQueue(
        m_btnFlash, true,
        [this](const FlashEntry& e) { btnColorBorderColor(e.button, e.originalColor, e.originalBorder); },
        [this](const FlashEntry& e) { btnColorBorderColor(e.button, e.flashColor, e.flashBorder); });
}

void Mac_objects::processFlashBtnSimpleQueue()
{
    stepQueue(
        m_btnFlashSimple, false, [this](const FlashSimpleEntry& e) { btnColor(e.button, e.originalColor); },
        [this](const FlashSimpleEntry& e) { btnColor(e.button, e.flashColor); });
}

void Mac_objects::processFlashBtnSimpleQueueRepeat()
{
    stepQueue(
        m_btnFlashSimple, true, [this](const FlashSimpleEntry& e) { btnColor(e.button, e.originalColor); },
        [this](const FlashSimpleEntry& e) { btnColor(e.button, e.flashColor); });
}

void Mac_objects::textViewTextColorBackgroundColor(QWidget* textView, const QColor& textColor,
                                                   const QColor& backgroundColor)
{
    if (!textView) {
        return;
    }
    QPalette palette = textView->palette();
    palette.setColor(QPalette::Text, textColor);
    palette.setColor(QPalette::Base, backgroundColor);
    textView->setPalette(palette);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(textView)) {
        area->viewport()->setPalette(palette);
    }
}

void Mac_objects::textViewSpellCheckGrammarCheck(QWidget* textView, bool spellCheck, bool grammarCheck)
{
    if (!textView) {
        return;
    }
    textView->setProperty("continuousSpellCheckingEnabled", spellCheck);
    textView->setProperty("grammarCheckingEnabled", grammarCheck);
}

void Mac_objects::textViewPosXPosY(QWidget* textView, float x, int y)
{
    if (!textView) {
        return;
    }
    const QRectF f = viewFrame(textView);
    setViewFrame(textView, QRectF(x, y, f.width(), f.height()));
}

void Mac_objects::textViewWidthHeight(QWidget* textView, float width, int height)
{
    if (!textView) {
        return;
    }
    const QRectF f = viewFrame(textView);
    setViewFrame(textView, QRectF(f.x(), f.y(), width, height));
    textView->update();
}

void Mac_objects::textViewPosXPosYWidthHeight(QWidget* textView, float x, int y, float width, int height)
{
    setViewFrame(textView, QRectF(x, y, width, height));
}

void Mac_objects::posScrollViewClipViewTextViewPosition(QWidget* scrollView, QWidget* clipView, QWidget* textView,
                                                        const QRectF& rect)
{
    setViewFrame(scrollView, rect);
    const QRectF inner(1.0, 1.0, rect.width() - 1.0, rect.height() - 1.0);
    setViewFrame(clipView, inner);
    setViewFrame(textView, inner);
}

void Mac_objects::posScrollView2ClipViewTextViewPosition(QWidget* scrollView, QWidget* /*clipView*/,
                                                         QWidget* /*textView*/, const QRectF& rect)
{
    setViewFrame(scrollView, rect);
    if (auto* area = qobject_cast<QAbstractScrollArea*>(scrollView)) {
        setViewFrame(area->viewport(), QRectF(1.0, 1.0, rect.width() - 1.0, rect.height() - 1.0));
    }
}

void Mac_objects::makeNSViewXYWHBackcolorBorderColorBorderWidthAlpha(QWidget* view, float x, float y, float w, float h,
                                                                     const QColor& /*backcolor*/,
                                                                     const QColor& borderColor, float borderWidth,
                                                                     float /*alpha*/)
{
    if (!view) {
        return;
    }
    QColor black(Qt::black);
    black.setAlphaF(0.4f);
    applyLayer(view, Layer{black, borderColor, std::max(0.0, finiteOrZero(borderWidth)), 0.0});
    setViewFrame(view, QRectF(x, y, w, h));
}

QLabel* Mac_objects::addImageStrToImageHolderToWindowSize(const QString& imageName, QWidget* /*holder*/,
                                                          QWidget* window, const QRectF& rect)
{
    if (!window) {
        return nullptr;
    }
    auto* label = new QLabel(contentOf(window));
    label->setPixmap(loadImage(imageName));
    label->setScaledContents(true);
    setViewFrame(label, rect);
    label->show();
    label->hide();
    return label;
}

void Mac_objects::setMenuItemTitleFontSizeColor(QAction* item, const QString& title, const QString& fontName, int size,
                                                const QColor& color)
{
    if (!item) {
        return;
    }
    QFont font;
    if (fontName == QLatin1String("default")) {
        font = QFont(QStringLiteral("Helvetica"), 15);
    } else {
        font = QFont(fontName, std::max(1, size));
    }
    item->setText(title);
    item->setFont(font);
    item->setProperty("textColor", color);
}

void Mac_objects::setRadioBtnTextColor(QRadioButton* button, const QString& text, const QColor& color)
{
    if (!button) {
        return;
    }
    button->setText(text);
    QPalette palette = button->palette();
    palette.setColor(QPalette::WindowText, color);
    palette.setColor(QPalette::ButtonText, color);
    button->setPalette(palette);
}

void Mac_objects::setMenubarWithImgToolTipHighlighted(QSystemTrayIcon* item, const QString& imageName,
                                                      const QString& toolTip, bool highlighted)
{
    if (!item) {
        return;
    }
    const QPixmap pixmap = loadImage(imageName);
    item->setIcon(pixmap.isNull() ? QIcon() : QIcon(pixmap));
    item->setToolTip(toolTip);
    item->setProperty("highlightMode", highlighted);
}

void Mac_objects::setMenubarWithTxtToolTipHighlighted(QSystemTrayIcon* item, const QString& title,
                                                      const QString& toolTip, bool highlighted)
{
    if (!item) {
        return;
    }
    // A tray icon shows only an image, so the title is drawn into one.
    const QFont font;
    const QFontMetrics metrics(font);
    const int height = std::max(22, metrics.height());
    QPixmap pixmap(std::max(1, metrics.horizontalAdvance(title) + 4), height);
    pixmap.fill(Qt::transparent);
    {
        QPainter painter(&pixmap);
        painter.setFont(font);
        painter.setPen(QGuiApplication::palette().color(QPalette::WindowText));
        painter.drawText(pixmap.rect(), Qt::AlignCenter, title);
    }
    item->setIcon(QIcon(pixmap));
    item->setToolTip(toolTip);
    item->setProperty("highlightMode", highlighted);
    item->setProperty("title", title);
}

// ---- Colours and keys ----

QColor Mac_objects::changeColorBrightness(const QColor& color, float factor) const
{
    if (!color.isValid() || !std::isfinite(factor)) {
        return color;
    }
    const QColor rgb = color.toRgb();
    const auto scale = [factor](float component) { return std::clamp(component * factor, 0.0f, 1.0f); };
    return QColor::fromRgbF(scale(rgb.redF()), scale(rgb.greenF()), scale(rgb.blueF()), 1.0f);
}

QColor Mac_objects::NSColorToCGColor(const QColor& color) const
{
    return color;
}

QString Mac_objects::modifierKeysToStringWithSeparator(const KeyPress& event, const QString& separator) const
{
    const std::uint64_t flags = event.modifierFlags;
    QString names;
    const auto add = [&](std::uint64_t flag, const char* name) {
        if (flags & flag) {
            names += QLatin1String(name) + separator;
        }
    };
    add(CommandFlag, "cmd");
    add(ControlFlag, "ctl");
    add(CapsLockFlag, "a-shift");
    add(ShiftFlag, "shift");
    add(OptionFlag, "option");
    add(FunctionFlag, "fn");
    add(NumericPadFlag, "num");
    return names;
}

QString Mac_objects::modifierKeysToShortcutWithSeparator(const KeyPress& event, const QString& separator)
{
    return modifierKeysToStringWithSeparator(event, separator) + m_st->getStringFromKeycodeMode(event.keyCode, 0);
}

bool Mac_objects::couldKeyBeShortcut(const KeyPress& event)
{
    processLog(QStringLiteral("Mac_objects: couldKeyBeShortcut"));
    const QString name = m_st->getStringFromKeycodeMode(event.keyCode, 0);
    const bool ascii = m_st->isStringAsciiChar(name);
    const bool function = m_st->isStrFnKey(name);
    const bool control = m_st->isStrCtlKey(name);
    const std::uint64_t flags = event.modifierFlags;
    const bool shift = flags & ShiftFlag;
    const bool option = flags & OptionFlag;
    const bool command = flags & CommandFlag;
    const bool ctl = flags & ControlFlag;
    const QString rule = QStringLiteral("-------------------------------");
    processLog(rule);
    processLog(QStringLiteral("Mac_objects: couldKeyBeShortcut"));
    processLog(rule);
    processLogf("asciiKey:%d  functionKey:%d  controlKey:%d", int(ascii), int(function), int(control));
    processLogf("ascii:%d  sht:%d opt:%d cmd:%d ctl:%d", int(ascii), int(shift), int(option), int(command), int(ctl));
    if (function) {
        return true;
    }
    return ascii && !control && (option || command || shift);
}

Mac_objects::KeyPress Mac_objects::keyPressFromQKeyEvent(const QKeyEvent& event)
{
    KeyPress press;
    const Qt::KeyboardModifiers mods = event.modifiers();
    if (mods & Qt::ShiftModifier) {
        press.modifierFlags |= ShiftFlag;
    }
    if (mods & Qt::ControlModifier) {
        press.modifierFlags |= ControlFlag;
    }
    if (mods & Qt::AltModifier) {
        press.modifierFlags |= OptionFlag;
    }
    if (mods & Qt::MetaModifier) {
        press.modifierFlags |= CommandFlag;
    }
    if (mods & Qt::KeypadModifier) {
        press.modifierFlags |= NumericPadFlag;
    }
    const QString name = keyName(event.key());
    if (name.isEmpty()) {
        return press;
    }
    press.keyCode = m_st->getKeycodeFromString(name);
    if (press.keyCode < 0) {
        // A shifted character ("!", "%") is named by the key that types it with shift.
        press.keyCode = int(m_st->db_shift().indexOf(name));
    }
    return press;
}

void Mac_objects::dbStatuskeys(std::uint64_t flags) const
{
    const auto piece = [flags](std::uint64_t flag, const char* text) {
        return (flags & flag) ? QString::fromLatin1(text) : QString();
    };
    processLogf("Status: %@%@%@%@%@%@%@", piece(CommandFlag, "cmd "), piece(ControlFlag, "ctl "),
                piece(CapsLockFlag, "caps "), piece(ShiftFlag, "shift "), piece(OptionFlag, "alt "),
                piece(FunctionFlag, "fn "), piece(NumericPadFlag, "num "));
}

void Mac_objects::postKeycodeFlags(std::uint16_t keyCode, std::uint64_t /*flags*/)
{
    const std::shared_ptr<KeyEvents> keys = Platform::keyEvents();
    if (!keys->canPost()) {
        TRACE("%@ (key %d)", keys->unavailableReason(), int(keyCode));
        return;
    }
    if (!keys->postKey(keyCode, 0)) {
        TRACE("cannot post key %d", int(keyCode));
    }
}

void Mac_objects::runApplescriptFromBundleWithNameAndExt(const QString& name, const QString& ext)
{
    // Only a file directly inside the resource directory is run.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || ext.contains(QLatin1Char('/')) ||
        name == QLatin1String("..") || name == QLatin1String(".")) {
        return;
    }
    const QString path = resourcePath(name, ext);
    if (!QFileInfo(path).isFile()) {
        return;
    }
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments({path});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    if (!process.waitForStarted()) {
        return;
    }
    if (!process.waitForFinished(ScriptTimeoutMilliseconds)) {
        process.kill();
        process.waitForFinished(1000);
    }
}

void Mac_objects::greet() const
{
    processLog(QStringLiteral("hello from Mac_objects"));
}
