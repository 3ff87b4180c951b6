#pragma once

#include "HistoryData.h"

#include <QAbstractTableModel>

/**
 * The outages of a history as a table, newest first: start, end, duration and reason. Texts are made
 * only for the rows a view asks for, so a history of any length opens at once.
 */
class OutageTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Start, End, Duration, Reason, ColumnCount };

    explicit OutageTableModel(QObject* parent = nullptr);

    /** Shows these outages (oldest first, as HistoryData keeps them). */
    void setOutages(const QList<Outage>& outages);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    /** The outage shown in row (0 is the newest). */
    const Outage& outageAt(int row) const;
    /** The CSV fields of a row: start and end as UTC times (the end "unknown" or "ongoing" when it
     *  has none), the duration in seconds ("" when unknown) and the reason. */
    QStringList csvRow(int row) const;
    /** The CSV header line's fields. */
    static QStringList csvHeader();
    /** A length of time as "2 h 05 min 03 s". */
    static QString durationText(qint64 seconds);

private:
    QList<Outage> m_outages;
};
