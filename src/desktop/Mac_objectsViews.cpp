// Buttons, layers, colour flashes, text and scroll views, menu items and the tray icon.
#include "Mac_objects.h"

#include "Resources.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAction>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <climits>

namespace {

// Dynamic properties that carry a view's layer and title colour; the style sheet is built from them.
constexpr const char* StyledProperty = "carrowenStyled";
constexpr const char* LayerBackgroundProperty = "carrowenLayerBackground";
constexpr const char* LayerBorderProperty = "carrowenLayerBorder";
constexpr const char* LayerBorderWidthProperty = "carrowenLayerBorderWidth";
constexpr const char* LayerCornerRadiusProperty = "carrowenLayerCornerRadius";
constexpr const char* TitleColorProperty = "carrowenTitleColor";

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

} // namespace

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
