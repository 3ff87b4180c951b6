#pragma once

#include "HistoryData.h"

#include <QWidget>

class OutageHistory;
class OutageTableModel;
class HistoryTimeline;
class QComboBox;
class QLabel;
class QTableView;

/**
 * The outage history window: availability, number of outages, down time and the longest outage over
 * the last 24 hours, 7 days, 30 days and all the history; a timeline of up, down and unmonitored
 * time; the outages, newest first; export as CSV or as a one-page PDF report.
 */
class HistoryWindow : public QWidget
{
    Q_OBJECT

public:
    /** The periods of the figures, in seconds (0: all the history). */
    static const qint64 Periods[4];

    /** A window over history (not owned; it outlives the window). */
    explicit HistoryWindow(const OutageHistory* history, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    /** Reads the history file (and the lines not saved in it) again and shows it. */
    void reload();

    /** Writes the outages, newest first, as CSV with a header line; false when it cannot be written. */
    bool exportCsv(const QString& path) const;
    /** Writes a one-page PDF report: the figures, the timeline and the newest outages that fit. */
    bool exportPdf(const QString& path) const;

    const HistoryData& data() const { return m_data; }
    OutageTableModel* model() const { return m_model; }
    /** The figure text of a row (availability, outages, down time, longest) and period column. */
    QString figureText(int row, int column) const;
    /** What the window says about the file: lines skipped, cannot be saved ("" when all is well). */
    QString noteText() const;

private:
    void chooseAndExport(bool pdf);

    const OutageHistory* m_history;
    HistoryData m_data;
    OutageTableModel* m_model;
    HistoryTimeline* m_timeline;
    QComboBox* m_period;
    QLabel* m_note;
    QLabel* m_figures[4][4] = {};
    QTableView* m_table;
};
