#include "statistics_dialog.h"

#include "chart_painter.h"
#include "shown_text.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPainter>
#include <QScrollArea>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QtMath>

namespace tunebay {

namespace {

// The charts in the window's words: their titles, and the bars that stand for no one name
// (the catalogue's names are shown as they are).
std::vector<StatisticsChart> shownCharts(std::vector<StatisticsChart> charts) {
    for (StatisticsChart& chart : charts) {
        chart.title = ShownText(chart.title.c_str()).toStdString();
        for (ChartBar& bar : chart.bars)
            for (const char* own : {kChartOtherBar, kChartUnknownBar, kChartNotAudioBar})
                if (bar.label == own)
                    bar.label = ShownText(own).toStdString();
    }
    return charts;
}

constexpr int kChartsMinimumWidth = 720;

} // namespace

QString ReportTable(const QString& text) {
    QString table = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"1\">");
    for (const QString& line : text.split('\n')) {
        const qsizetype tab = line.indexOf('\t');
        if (tab < 0) {
            table += QStringLiteral("<tr><td colspan=\"2\" style=\"white-space:pre\"><b>%1</b>"
                                    "</td></tr>")
                         .arg(line.toHtmlEscaped());
        } else {
            table += QStringLiteral("<tr><td style=\"white-space:pre\">%1</td><td "
                                    "style=\"white-space:pre; padding-left:12px\">%2</td></tr>")
                         .arg(line.left(tab).trimmed().toHtmlEscaped(),
                              line.mid(tab).trimmed().toHtmlEscaped());
        }
    }
    table += QStringLiteral("</table>");
    return table;
}

ChartsView::ChartsView(std::vector<StatisticsChart> charts, QWidget* parent)
    : QWidget(parent), m_charts(std::move(charts)) {
    setMinimumWidth(kChartsMinimumWidth);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

int ChartsView::heightForWidth(int width) const {
    return qCeil(ChartsSize(m_charts, width).height());
}

QSize ChartsView::sizeHint() const {
    return {kChartsMinimumWidth, heightForWidth(kChartsMinimumWidth)};
}

void ChartsView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    PaintCharts(painter, QRectF(rect()), m_charts, palette());
}

StatisticsDialog::StatisticsDialog(const QString& reportTable, std::vector<StatisticsChart> charts,
                                   QWidget* parent)
    : QDialog(parent) {
    // Named after the command that opens it, like the other tool windows.
    setWindowTitle(tr("Statistic"));
    auto* tabs = new QTabWidget(this);

    auto* report = new QLabel(reportTable);
    report->setTextFormat(Qt::RichText);
    report->setTextInteractionFlags(Qt::TextSelectableByMouse);
    report->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    report->setMargin(12);
    auto* reportScroll = new QScrollArea;
    reportScroll->setWidget(report);
    reportScroll->setWidgetResizable(true);
    tabs->addTab(reportScroll, tr("Report"));

    auto* chartsScroll = new QScrollArea;
    chartsScroll->setWidget(new ChartsView(shownCharts(std::move(charts))));
    chartsScroll->setWidgetResizable(true);
    tabs->addTab(chartsScroll, tr("Charts"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(buttons);
    resize(900, 640);
}

} // namespace tunebay
