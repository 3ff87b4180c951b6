#pragma once

#include <QWidget>

class HistoryData;
class QPainter;

/**
 * A bar across the period that ends now: green where the connection was up, red where it was down,
 * grey where nothing was monitored (paused, or the program not running), with a time scale below.
 * A stretch of down time too short for a pixel still shows as one red column.
 */
class HistoryTimeline : public QWidget
{
    Q_OBJECT

public:
    explicit HistoryTimeline(QWidget* parent = nullptr);

    /** Shows data (not owned; kept alive by the caller) over the last `seconds` seconds. */
    void setHistory(const HistoryData* data, qint64 seconds);
    QSize sizeHint() const override;

    /** Draws the bar and its scale into rect (on screen and in the report). */
    static void paint(QPainter& painter, const QRect& rect, const HistoryData& data, qint64 seconds);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const HistoryData* m_data = nullptr;
    qint64 m_seconds = 86400;
};
