#include "OutageTableModel.h"

#include <QDateTime>

OutageTableModel::OutageTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void OutageTableModel::setOutages(const QList<Outage>& outages)
{
    beginResetModel();
    m_outages = outages;
    endResetModel();
}

int OutageTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_outages.size());
}

int OutageTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const Outage& OutageTableModel::outageAt(int row) const
{
    return m_outages.at(m_outages.size() - 1 - row);
}

QString OutageTableModel::durationText(qint64 seconds)
{
    const qint64 days = seconds / 86400, hours = seconds / 3600 % 24, minutes = seconds / 60 % 60;
    const QString clock =
        QStringLiteral("%1 min %2 s").arg(minutes, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (days > 0) {
        return QStringLiteral("%1 d %2 h %3").arg(days).arg(hours).arg(clock);
    }
    if (hours > 0) {
        return QStringLiteral("%1 h %2").arg(hours).arg(clock);
    }
    return minutes > 0 ? clock : QStringLiteral("%1 s").arg(seconds);
}

QVariant OutageTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) {
        return {};
    }
    const Outage& outage = outageAt(index.row());
    const auto local = [](qint64 seconds) {
        return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    };
    switch (index.column()) {
    case Start:
        return local(outage.start);
    case End:
        if (outage.endKind == Outage::End::Unknown) {
            return tr("unknown end");
        }
        return outage.endKind == Outage::End::Ongoing ? tr("ongoing") : local(outage.end);
    case Duration:
        if (const std::optional<qint64> seconds = outage.duration()) {
            return durationText(*seconds);
        }
        return QStringLiteral("?");
    case Reason:
        return outage.reason;
    }
    return {};
}

QVariant OutageTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    static const char* const titles[] = {"Start", "End", "Duration", "Reason"};
    return section >= 0 && section < ColumnCount ? tr(titles[section]) : QVariant();
}

QStringList OutageTableModel::csvHeader()
{
    return {QStringLiteral("start"), QStringLiteral("end"), QStringLiteral("seconds"), QStringLiteral("reason")};
}

QStringList OutageTableModel::csvRow(int row) const
{
    const Outage& outage = outageAt(row);
    QString end = QString::fromLatin1(HistoryData::timeText(outage.end));
    if (outage.endKind != Outage::End::Known) {
        end = outage.endKind == Outage::End::Unknown ? QStringLiteral("unknown") : QStringLiteral("ongoing");
    }
    const std::optional<qint64> seconds = outage.duration();
    return {QString::fromLatin1(HistoryData::timeText(outage.start)), end,
            seconds ? QString::number(*seconds) : QString(), outage.reason};
}
