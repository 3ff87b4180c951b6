#include "DebugPanel.h"

#include "Arrays.h"
#include "Debug.h"
#include "FS.h"
#include "LibMath.h"
#include "Mac_media.h"
#include "Mac_objects.h"
#include "Mac_system.h"
#include "ProcessLog.h"
#include "Resources.h"
#include "Strings.h"
#include "Trace.h"
#include "ui_DebugPanel.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>

#include <mutex>

// Lines traced on other threads wait here until the panel's thread takes them. The observer holds the
// inbox, not the panel, so that a trace racing with the panel's destruction finds target cleared.
struct DebugPanel::Inbox
{
    std::mutex mutex;
    DebugPanel* target = nullptr;
    QThread* thread = nullptr;
    QStringList lines;
    bool scheduled = false;
};

namespace {
// Lines taken from the inbox per turn of the event loop, so that a flood never holds the loop long.
constexpr qsizetype DrainChunk = 2000;
const char* const kLedImages[3] = {"greenLed", "blackLed", "redLed"};

QColor rgb(double r, double g, double b, double a = 1.0)
{
    return QColor::fromRgbF(float(r), float(g), float(b), float(a));
}
} // namespace

DebugPanel::DebugPanel(QObject* parent)
    : QObject(parent), m_ui(std::make_unique<Ui::DebugPanel>()), m_inbox(std::make_shared<Inbox>())
{
    m_obj = Mac_objects::sharedEngineInstance();
    m_media = Mac_media::sharedEngineInstance();
    m_system = Mac_system::sharedEngineInstance();
    m_st = Strings::sharedEngineInstance();
    m_fs = FS::sharedEngineInstance();
    m_arrays = Arrays::sharedEngineInstance();
    m_db = Debug::sharedEngineInstance();
    m_math = LibMath::sharedEngineInstance();

    m_window = new QWidget(nullptr, Qt::Window);
    m_ui->setupUi(m_window);
    for (int i = 0; i < 3; ++i) {
        m_ledPixmaps[i] = QPixmap(resourcePath(QString::fromLatin1(kLedImages[i]), QStringLiteral("png")));
    }
    m_colours = {rgb(0, 0, 1),
                 rgb(0.5, 0, 0.5),
                 rgb(0, 1, 0),
                 rgb(1, 0, 0),
                 rgb(0, 1, 1),
                 rgb(1, 1, 0),
                 rgb(1, 0, 1),
                 rgb(1, 0.5, 0),
                 rgb(0.6, 0.4, 0.2),
                 rgb(0, 0, 0),
                 rgb(1, 1, 1),
                 rgb(0.5, 0.5, 0.5),
                 rgb(1.0 / 3, 1.0 / 3, 1.0 / 3),
                 rgb(0, 0, 0, 0)};
    wireControls();
    init_debugPanel();
    m_fontSize = 12;
    setFontSize();
    makeHlp();
    setLed(QStringLiteral("blackLed.png"));

    m_inbox->target = this;
    m_inbox->thread = thread();
    m_observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("Debug"), [inbox = m_inbox](const Notification& n) {
            if (QThread::currentThread() == inbox->thread) {
                // The panel's own thread: the panel cannot be going away under this call.
                if (DebugPanel* panel = inbox->target) {
                    panel->processMsgs(n);
                }
                return;
            }
            std::lock_guard<std::mutex> guard(inbox->mutex);
            if (inbox->target) {
                inbox->target->queueLocked(n.object.toString());
            }
        });

    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

DebugPanel::~DebugPanel()
{
    {
        std::lock_guard<std::mutex> guard(m_inbox->mutex);
        m_inbox->target = nullptr;
    }
    NotificationCenter::defaultCenter().removeObserver(m_observer);
    delete m_window;
}

void DebugPanel::wireControls()
{
    for (int i = 0; i < NumButtons; ++i) {
        connect(btn(i), &QPushButton::clicked, this, [this, i] { processBtn(i); });
    }
    for (int i = 0; i < NumConfirms; ++i) {
        connect(confirm(i), &QPushButton::clicked, this, [this, i] { confirmBtn(i); });
        // Hidden confirm buttons keep their place, so that the row does not jump when one is raised.
        QSizePolicy policy = back(i)->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        back(i)->setSizePolicy(policy);
    }
    connect(m_ui->saveLogBtn, &QPushButton::clicked, this, &DebugPanel::saveLog);
    connect(m_ui->viewLogBtn, &QPushButton::clicked, this, &DebugPanel::viewLogs);
    connect(m_ui->delLogBtn, &QPushButton::clicked, this, &DebugPanel::deleteAllLogs);
    connect(m_ui->pauseBtn, &QPushButton::clicked, this, &DebugPanel::pauseBtnAction);
    connect(m_ui->clrScreens, &QPushButton::clicked, this, &DebugPanel::clrBtn);
    connect(m_ui->fontSmallerBtn, &QPushButton::clicked, this, &DebugPanel::fontSmaller);
    connect(m_ui->fontBiggerBtn, &QPushButton::clicked, this, &DebugPanel::fontBigger);
    connect(m_ui->alwaysOnTopOutlet, &QCheckBox::toggled, this, &DebugPanel::alwaysOnTopSender);
    connect(m_ui->hlpBtn, &QPushButton::clicked, this, &DebugPanel::hlpDebugAction);

    QPalette dark = txtMain()->palette();
    dark.setColor(QPalette::Base, Qt::black);
    dark.setColor(QPalette::Text, Qt::green);
    // The views are written to many times a second: an undo history would only grow.
    for (QPlainTextEdit* view : {txtMain(), txt(0), txt(1), txt(2), txt(3)}) {
        view->setPalette(dark);
        view->setUndoRedoEnabled(false);
        view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    }
    for (int i = 0; i < NumStatus; ++i) {
        QPalette p = lblStatus(i)->palette();
        p.setColor(QPalette::WindowText, Qt::white);
        lblStatus(i)->setPalette(p);
        setStatusBackground(i, m_obj->changeColorBrightness(m_colours.black, 0.4F));
    }
}

void DebugPanel::init_debugPanel()
{
    const QColor hostColours[3] = {m_colours.green, m_colours.yellow, m_colours.red};
    for (int i = 0; i < NumButtons; ++i) {
        title(btn(i), QStringLiteral("btn%1").arg(i), hostColours[i % 3]);
    }
    for (int i = 0; i < NumConfirms; ++i) {
        title(confirm(i), QString(), m_colours.yellow);
    }
    title(m_ui->saveLogBtn, QStringLiteral("Save Log"), m_colours.blue);
    title(m_ui->viewLogBtn, QStringLiteral("View logs"), m_colours.blue);
    title(m_ui->delLogBtn, QStringLiteral("Delete logs"), m_colours.red);
    title(m_ui->pauseBtn, QStringLiteral("Uodating"), m_colours.green);
    title(m_ui->clrScreens, QStringLiteral("Clear Screens"), m_colours.yellow);
    title(m_ui->fontSmallerBtn, QStringLiteral("Font-"), m_colours.purple);
    title(m_ui->fontBiggerBtn, QStringLiteral("Font+"), m_colours.purple);
    m_enabled = true;
    clrConfirms();
}

void DebugPanel::title(QAbstractButton* button, const QString& text, const QColor& colour)
{
    m_obj->btnTxtTxtColor(button, text, colour);
}

// ---- Clock ----

void DebugPanel::systemTick()
{
    ++m_gameTick;
    debugPanel_gameloop();
}

void DebugPanel::debugPanel_gameloop()
{
    drainInbox();
    flushMainView();

    if (!m_pauseUpdates) {
        if (m_recievingData) {
            QString image = QStringLiteral("greenLed.png");
            if (m_checkTick == m_gameTick - 1) {
                // A steady stream blinks rather than glowing.
                m_ledToggle = m_math->cycleIntMinMaxStep(m_ledToggle, 0, 1, 1);
                if (m_ledToggle == 0) {
                    image = QStringLiteral("blackLed.png");
                }
            }
            setLed(image);
            m_recievingData = false;
            m_checkTick = m_gameTick;
        } else {
            setLed(QStringLiteral("blackLed.png"));
        }
    } else {
        m_ledSlowToggle = m_math->cycleIntMinMaxStep(m_ledSlowToggle, 0, 15, 1);
        setLed(m_ledSlowToggle < 12 ? QStringLiteral("redLed.png") : QStringLiteral("blackLed.png"));
    }

    for (int i = 0; i < NumStatus; ++i) {
        if (m_status[size_t(i)] != 0) {
            m_status[size_t(i)] = m_math->stepChangeIntStepEnd(m_status[size_t(i)], -1, 0);
            if (m_status[size_t(i)] == 1) {
                setStatusBackground(i, m_obj->changeColorBrightness(m_colours.black, 0.4F));
            }
        }
    }

    if (m_pauseUpdates) {
        if (m_gameTick % 24 > 4) {
            processLog(QStringLiteral("paused"));
            title(m_ui->pauseBtn, QStringLiteral("Paused"), m_colours.red);
        } else {
            title(m_ui->pauseBtn, QString(), m_colours.red);
        }
    }

    if (m_gameTick % 4 == 0) {
        ++m_num12;
    }
    if (m_num12 % 10 == 7) {
        applyConfirmTitles(false);
    } else if (m_num12 % 10 == 0) {
        applyConfirmTitles(true);
    }
}

void DebugPanel::applyConfirmTitles(bool shown)
{
    const QColor colours[3] = {m_colours.red, m_colours.yellow, m_colours.green};
    for (int i = 0; i < NumConfirms; ++i) {
        if (!m_confirmActive[size_t(i)]) {
            title(confirm(i), shown ? m_confirmStr[size_t(i)] : QStringLiteral(" "), colours[i % 3]);
        }
    }
}

void DebugPanel::setLed(const QString& image)
{
    if (image == m_ledImage) {
        return;
    }
    m_ledImage = image;
    const int index = image.startsWith(u'g') ? 0 : image.startsWith(u'b') ? 1 : 2;
    led()->setPixmap(m_ledPixmaps[index]);
}

void DebugPanel::setStatusBackground(int n, const QColor& colour)
{
    QLabel* label = lblStatus(n);
    QPalette p = label->palette();
    p.setColor(QPalette::Window, colour);
    label->setPalette(p);
}

// ---- Cross-thread delivery ----

void DebugPanel::processMsgs(const Notification& notification)
{
    if (!isEnabled()) {
        return;
    }
    const QString text = notification.object.toString();
    if (QThread::currentThread() == thread()) {
        updateTxt(text);
        return;
    }
    std::lock_guard<std::mutex> guard(m_inbox->mutex);
    queueLocked(text);
}

void DebugPanel::queueLocked(const QString& text)
{
    if (!isEnabled()) {
        return;
    }
    m_inbox->lines << text;
    if (!m_inbox->scheduled) {
        m_inbox->scheduled = true;
        scheduleDrain();
    }
}

void DebugPanel::scheduleDrain()
{
    // By name rather than with a functor: the call's data is then made and read inside Qt alone,
    // which a thread checker sees as a whole, instead of a functor written here on the tracing thread.
    QMetaObject::invokeMethod(this, "drainInbox", Qt::QueuedConnection);
}

void DebugPanel::drainInbox()
{
    QStringList lines;
    {
        std::lock_guard<std::mutex> guard(m_inbox->mutex);
        if (m_inbox->lines.size() <= DrainChunk) {
            lines.swap(m_inbox->lines);
        } else {
            lines = m_inbox->lines.mid(0, DrainChunk);
            m_inbox->lines.remove(0, DrainChunk);
        }
        m_inbox->scheduled = !m_inbox->lines.isEmpty();
        if (m_inbox->scheduled) {
            scheduleDrain();
        }
    }
    for (const QString& line : std::as_const(lines)) {
        if (isEnabled()) {
            updateTxt(line);
        }
    }
}

// ---- Pausing, fonts, window ----

void DebugPanel::pauseBtnAction()
{
    m_pauseUpdates = !m_pauseUpdates;
    if (m_pauseUpdates) {
        title(m_ui->pauseBtn, QStringLiteral("Paused"), m_colours.yellow);
    } else {
        title(m_ui->pauseBtn, QStringLiteral("Updating"), m_colours.green);
        title(m_ui->viewLogBtn, QStringLiteral("View Logs"), m_colours.blue);
        txtMain()->verticalScrollBar()->setValue(0);
    }
}

void DebugPanel::setFontSize()
{
    m_fontSize = std::clamp(m_fontSize, 1, MaxFontSize);
    QFont font(QStringLiteral("Tahoma"));
    font.setPointSize(m_fontSize);
    txtMain()->setFont(font);
    for (int i = 0; i < 4; ++i) {
        txt(i)->setFont(font);
    }
    showTxt(3, format("Font Size: %02d", m_fontSize));
}

void DebugPanel::fontBigger()
{
    m_fontSize += m_gameTick - m_fontSizeCheck < 8 ? 2 : 1;
    m_fontSizeCheck = m_gameTick;
    setFontSize();
}

void DebugPanel::fontSmaller()
{
    m_fontSize -= m_gameTick - m_fontSizeCheck <= 7 ? 2 : 1;
    if (m_fontSize == 0) {
        m_fontSize = 2;
    }
    m_fontSizeCheck = m_gameTick;
    setFontSize(); // never below 1: a quick press at size 1 stays at 1
}

void DebugPanel::alwaysOnTopSender()
{
    m_obj->windowKeepAbove(m_window, m_ui->alwaysOnTopOutlet->isChecked());
}

void DebugPanel::makeHlp()
{
    QLabel* picture = hlpDebug();
    const QSize size(std::max(200, m_window->width()), std::max(200, m_window->height() - 30));
    picture->setGeometry(0, 0, size.width(), size.height());
    picture->setPixmap(drawHelpPicture(size));
    picture->hide();
}

void DebugPanel::hlpDebugAction()
{
    TRACE("");
    QLabel* picture = hlpDebug();
    if (picture->isVisible()) {
        picture->hide();
        return;
    }
    if (picture->size() != QSize(m_window->width(), m_window->height() - 30)) {
        makeHlp(); // the window was resized since the picture was drawn
    }
    picture->raise();
    picture->show();
}

void DebugPanel::repositionBtns()
{
    m_ui->hostButtons->invalidate();
    m_window->layout()->activate();
}

void DebugPanel::setTitle(const QString& text)
{
    panelTitle()->setText(text);
}

void DebugPanel::setWindowTitle(const QString& text)
{
    m_window->setWindowTitle(text);
}

// ---- Controls and state ----

int DebugPanel::status(int n) const
{
    return n >= 0 && n < NumStatus ? m_status[size_t(n)] : 0;
}

QString DebugPanel::confirmStr(int n) const
{
    return n >= 0 && n < NumConfirms ? m_confirmStr[size_t(n)] : QString();
}

bool DebugPanel::confirmActive(int n) const
{
    return n >= 0 && n < NumConfirms && m_confirmActive[size_t(n)];
}

QWidget* DebugPanel::window_debug() const
{
    return m_window;
}
QLabel* DebugPanel::panelTitle() const
{
    return m_ui->panelTitle;
}
QPlainTextEdit* DebugPanel::txtMain() const
{
    return m_ui->txtMain;
}
QPlainTextEdit* DebugPanel::txt(int n) const
{
    QPlainTextEdit* views[4] = {m_ui->txt0, m_ui->txt1, m_ui->txt2, m_ui->txt3};
    return n >= 0 && n < 4 ? views[n] : nullptr;
}
QLabel* DebugPanel::lblStatus(int n) const
{
    return m_window->findChild<QLabel*>(QStringLiteral("lblStatus%1").arg(n));
}
QPushButton* DebugPanel::btn(int n) const
{
    return m_window->findChild<QPushButton*>(QStringLiteral("btn%1").arg(n));
}
QPushButton* DebugPanel::confirm(int n) const
{
    return m_window->findChild<QPushButton*>(QStringLiteral("confirm%1").arg(n));
}
QFrame* DebugPanel::back(int n) const
{
    return m_window->findChild<QFrame*>(QStringLiteral("back%1").arg(n));
}
QPushButton* DebugPanel::viewLogBtn() const
{
    return m_ui->viewLogBtn;
}
QPushButton* DebugPanel::saveLogBtn() const
{
    return m_ui->saveLogBtn;
}
QPushButton* DebugPanel::delLogBtn() const
{
    return m_ui->delLogBtn;
}
QPushButton* DebugPanel::pauseBtn() const
{
    return m_ui->pauseBtn;
}
QPushButton* DebugPanel::clrScreens() const
{
    return m_ui->clrScreens;
}
QPushButton* DebugPanel::fontSmallerBtn() const
{
    return m_ui->fontSmallerBtn;
}
QPushButton* DebugPanel::fontBiggerBtn() const
{
    return m_ui->fontBiggerBtn;
}
QLabel* DebugPanel::led() const
{
    return m_ui->led;
}
QLabel* DebugPanel::hlpDebug() const
{
    return m_ui->hlpDebug;
}
QCheckBox* DebugPanel::alwaysOnTopOutlet() const
{
    return m_ui->alwaysOnTopOutlet;
}
