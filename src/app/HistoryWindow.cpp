#include "HistoryWindow.h"

#include "Clock.h"
#include "HistoryTimeline.h"
#include "OutageHistory.h"
#include "OutageTableModel.h"

#include <QComboBox>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QSaveFile>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

const qint64 HistoryWindow::Periods[4] = {86400, 7 * 86400, 30 * 86400, 0};

namespace {

const char* const PeriodNames[4] = {"24 hours", "7 days", "30 days", "All"};
const char* const FigureNames[4] = {"Availability", "Outages", "Down time", "Longest outage"};

QString figure(const HistoryFigures& f, int row)
{
    switch (row) {
    case 0:
        return f.availability ? QString::number(*f.availability * 100.0, 'f', 3) + QStringLiteral(" %")
                              : QStringLiteral("not monitored");
    case 1:
        return QString::number(f.outages);
    case 2:
        return OutageTableModel::durationText(f.downTime);
    default:
        return OutageTableModel::durationText(f.longest);
    }
}

} // namespace

HistoryWindow::HistoryWindow(const OutageHistory* history, QWidget* parent)
    : QWidget(parent), m_history(history), m_model(new OutageTableModel(this)), m_timeline(new HistoryTimeline),
      m_period(new QComboBox), m_note(new QLabel), m_table(new QTableView)
{
    setWindowTitle(tr("Carrowen outage history"));
    auto* layout = new QVBoxLayout(this);

    auto* grid = new QGridLayout;
    for (int column = 0; column < 4; ++column) {
        grid->addWidget(new QLabel(QStringLiteral("<b>%1</b>").arg(tr(PeriodNames[column]))), 0, column + 1,
                        Qt::AlignRight);
    }
    for (int row = 0; row < 4; ++row) {
        grid->addWidget(new QLabel(tr(FigureNames[row])), row + 1, 0);
        for (int column = 0; column < 4; ++column) {
            m_figures[row][column] = new QLabel;
            m_figures[row][column]->setTextInteractionFlags(Qt::TextSelectableByMouse);
            grid->addWidget(m_figures[row][column], row + 1, column + 1, Qt::AlignRight);
        }
    }
    layout->addLayout(grid);

    auto* timelineRow = new QHBoxLayout;
    timelineRow->addWidget(new QLabel(tr("Timeline of the last")));
    for (int i = 0; i < 3; ++i) {
        m_period->addItem(tr(PeriodNames[i]), Periods[i]);
    }
    m_period->setCurrentIndex(1);
    timelineRow->addWidget(m_period);
    timelineRow->addStretch();
    timelineRow->addWidget(new QLabel(tr("green: up, red: down, grey: not monitored")));
    layout->addLayout(timelineRow);
    layout->addWidget(m_timeline);
    connect(m_period, &QComboBox::currentIndexChanged, this,
            [this] { m_timeline->setHistory(&m_data, m_period->currentData().toLongLong()); });

    m_table->setModel(m_model);
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // Rows of one height: the view then never measures the rows it does not show.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);
    m_table->setColumnWidth(OutageTableModel::Start, 160);
    m_table->setColumnWidth(OutageTableModel::End, 160);
    m_table->setColumnWidth(OutageTableModel::Duration, 150);
    layout->addWidget(m_table, 1);

    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* buttons = new QHBoxLayout;
    auto* csv = new QPushButton(tr("Export CSV\u2026"));
    auto* pdf = new QPushButton(tr("Export PDF\u2026"));
    auto* close = new QPushButton(tr("Close"));
    buttons->addWidget(csv);
    buttons->addWidget(pdf);
    buttons->addStretch();
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(csv, &QPushButton::clicked, this, [this] { chooseAndExport(false); });
    connect(pdf, &QPushButton::clicked, this, [this] { chooseAndExport(true); });
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    resize(760, 560);
    reload();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::reload()
{
    const qint64 now = Clock::current().now().toSecsSinceEpoch();
    m_data = m_history ? HistoryData::read(m_history->path(), m_history->unsavedLines(), now) : HistoryData();
    m_model->setOutages(m_data.outages());
    m_timeline->setHistory(&m_data, m_period->currentData().toLongLong());
    for (int column = 0; column < 4; ++column) {
        const HistoryFigures f = m_data.figures(Periods[column]);
        for (int row = 0; row < 4; ++row) {
            m_figures[row][column]->setText(figure(f, row));
        }
    }
    m_note->setText(noteText());
    m_note->setVisible(!m_note->text().isEmpty());
}

QString HistoryWindow::figureText(int row, int column) const
{
    return m_figures[row][column]->text();
}

QString HistoryWindow::noteText() const
{
    QStringList notes;
    if (m_data.unreadable()) {
        notes << tr("%1 cannot be read.").arg(m_history->path());
    }
    if (m_data.skippedLines() > 0) {
        const qint64 n = m_data.skippedLines();
        notes << (n == 1 ? tr("1 line of %1 could not be read and was skipped.").arg(m_history->path())
                         : tr("%1 lines of %2 could not be read and were skipped.").arg(n).arg(m_history->path()));
    }
    if (m_history && !m_history->isSaving()) {
        notes << tr("The history cannot be saved to %1: this run's events are kept in memory only.")
                     .arg(m_history->path());
    }
    return notes.join(QLatin1Char(' '));
}

bool HistoryWindow::exportCsv(const QString& path) const
{
    QByteArray bytes;
    const auto addRow = [&bytes](const QStringList& fields) {
        QByteArrayList quoted;
        for (const QString& field : fields) {
            quoted << HistoryData::csvField(field);
        }
        bytes += quoted.join(',') + "\r\n";
    };
    addRow(OutageTableModel::csvHeader());
    for (int row = 0; row < m_model->rowCount(); ++row) {
        addRow(m_model->csvRow(row));
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool HistoryWindow::exportPdf(const QString& path) const
{
    QPdfWriter writer(path);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setResolution(150);
    writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
    writer.setTitle(tr("Carrowen outage history"));
    writer.setCreator(QStringLiteral("Carrowen"));
    QPainter p;
    if (!p.begin(&writer)) {
        return false;
    }
    const QRect page(0, 0, writer.width(), writer.height());
    QFont font = p.font();
    font.setPointSizeF(10);
    p.setFont(font);
    const int line = p.fontMetrics().height();
    int y = 0;
    const auto text = [&](const QString& s, int x = 0, int width = -1) {
        p.drawText(QRect(x, y, width < 0 ? page.width() - x : width, line), Qt::AlignLeft | Qt::AlignVCenter, s);
    };

    QFont title = font;
    title.setPointSizeF(16);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRect(0, y, page.width(), 2 * line), Qt::AlignLeft | Qt::AlignVCenter, windowTitle());
    p.setFont(font);
    y += 2 * line;
    text(tr("Report made %1 for %2")
             .arg(QDateTime::fromSecsSinceEpoch(m_data.now()).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss t")),
                  m_history ? m_history->path() : QString()));
    y += 2 * line;

    const int labelWidth = page.width() * 17 / 100, columnWidth = (page.width() - labelWidth) / 4;
    for (int column = 0; column < 4; ++column) {
        text(tr(PeriodNames[column]), labelWidth + column * columnWidth, columnWidth);
    }
    y += line;
    for (int row = 0; row < 4; ++row) {
        text(tr(FigureNames[row]));
        for (int column = 0; column < 4; ++column) {
            text(figureText(row, column), labelWidth + column * columnWidth, columnWidth);
        }
        y += line;
    }
    y += line;
    text(tr("The last 7 days (green: up, red: down, grey: not monitored):"));
    y += line;
    HistoryTimeline::paint(p, QRect(0, y, page.width(), 4 * line), m_data, 7 * 86400);
    y += 5 * line;
    if (!noteText().isEmpty()) {
        text(noteText());
        y += line;
    }

    text(tr("Outages, newest first (%1 in all):").arg(m_model->rowCount()));
    y += line;
    const int widths[] = {page.width() * 28 / 100, page.width() * 28 / 100, page.width() * 22 / 100};
    int row = 0;
    for (; row < m_model->rowCount() && y + 2 * line <= page.height(); ++row) {
        int x = 0;
        for (int column = 0; column < OutageTableModel::ColumnCount; ++column) {
            const int width = column < 3 ? widths[column] : page.width() - x;
            text(m_model->data(m_model->index(row, column)).toString(), x, width);
            x += width;
        }
        y += line;
    }
    if (row < m_model->rowCount()) {
        text(tr("\u2026 and %1 older outages (see the CSV export).").arg(m_model->rowCount() - row));
    }
    return p.end();
}

void HistoryWindow::chooseAndExport(bool pdf)
{
    const QString suggested =
        QStringLiteral("carrowen-history.") + (pdf ? QStringLiteral("pdf") : QStringLiteral("csv"));
    const QString path = QFileDialog::getSaveFileName(this, pdf ? tr("Export PDF report") : tr("Export CSV"), suggested,
                                                      pdf ? tr("PDF files (*.pdf)") : tr("CSV files (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    if (!(pdf ? exportPdf(path) : exportCsv(path))) {
        QMessageBox::warning(this, windowTitle(), tr("%1 could not be written.").arg(path));
    }
}
