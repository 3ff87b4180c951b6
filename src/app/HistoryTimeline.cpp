#include "HistoryTimeline.h"

#include "HistoryData.h"

#include <QDateTime>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {

// Per pixel column the state that matters most: down over unmonitored over up, so no outage vanishes.
enum Shade : unsigned char { None, Up, Unmonitored, Down };

Shade shadeOf(HistorySegment::State state)
{
    switch (state) {
    case HistorySegment::State::Up:
        return Up;
    case HistorySegment::State::Down:
        return Down;
    case HistorySegment::State::Unmonitored:
        break;
    }
    return Unmonitored;
}

QColor colourOf(Shade shade)
{
    switch (shade) {
    case Up:
        return QColor(0x3c, 0xb0, 0x4a);
    case Down:
        return QColor(0xd8, 0x2c, 0x2c);
    default:
        return QColor(0xc8, 0xc8, 0xc8);
    }
}

} // namespace

HistoryTimeline::HistoryTimeline(QWidget* parent) : QWidget(parent)
{
    setMinimumHeight(48);
}

void HistoryTimeline::setHistory(const HistoryData* data, qint64 seconds)
{
    m_data = data;
    m_seconds = seconds;
    update();
}

QSize HistoryTimeline::sizeHint() const
{
    return {600, 56};
}

void HistoryTimeline::paintEvent(QPaintEvent*)
{
    if (!m_data) {
        return;
    }
    QPainter painter(this);
    paint(painter, rect().adjusted(4, 4, -4, -4), *m_data, m_seconds);
}

void HistoryTimeline::paint(QPainter& painter, const QRect& rect, const HistoryData& data, qint64 seconds)
{
    const int scaleHeight = painter.fontMetrics().height() + 4;
    const QRect bar(rect.left(), rect.top(), rect.width(), std::max(8, rect.height() - scaleHeight));
    const int width = std::max(1, bar.width());
    const qint64 from = data.now() - seconds;
    std::vector<Shade> columns(size_t(width), None);
    const auto columnOf = [&](qint64 t) { return int((t - from) * width / std::max<qint64>(1, seconds)); };
    for (const HistorySegment& segment : data.segments()) {
        if (segment.to <= from || segment.from >= data.now()) {
            continue;
        }
        const int first = std::clamp(columnOf(std::max(segment.from, from)), 0, width - 1);
        const int last = std::clamp(columnOf(std::min(segment.to, data.now())) - 1, first, width - 1);
        const Shade shade = shadeOf(segment.state);
        for (int x = first; x <= last; ++x) {
            columns[size_t(x)] = std::max(columns[size_t(x)], shade);
        }
    }
    painter.fillRect(bar, colourOf(None));
    for (int x = 0; x < width;) {
        int next = x + 1;
        while (next < width && columns[size_t(next)] == columns[size_t(x)]) {
            ++next;
        }
        if (columns[size_t(x)] != None) {
            painter.fillRect(QRect(bar.left() + x, bar.top(), next - x, bar.height()), colourOf(columns[size_t(x)]));
        }
        x = next;
    }
    painter.setPen(Qt::black);
    painter.drawRect(bar.adjusted(0, 0, -1, -1));
    // The scale: the period's start, middle and end in local time.
    const QString pattern = seconds > 86400 ? QStringLiteral("MM-dd HH:mm") : QStringLiteral("HH:mm");
    const QRect labels(rect.left(), bar.bottom() + 2, rect.width(), scaleHeight);
    const auto label = [&](qint64 t) { return QDateTime::fromSecsSinceEpoch(t).toString(pattern); };
    painter.drawText(labels, Qt::AlignLeft | Qt::AlignTop, label(from));
    painter.drawText(labels, Qt::AlignHCenter | Qt::AlignTop, label(from + seconds / 2));
    painter.drawText(labels, Qt::AlignRight | Qt::AlignTop, label(data.now()));
}
