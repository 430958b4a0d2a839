#pragma once

#include "output/statistics_charts.h"

#include <QDialog>
#include <QWidget>

#include <vector>

namespace tunebay {

// A report of label and value lines (the label, a tab, the value; "\n" between lines) as a
// two-column table of rich text, nothing wrapped (a long catalogue path included).
QString ReportTable(const QString& text);

// The statistics' charts, drawn in the widget's palette at the widget's width.
class ChartsView : public QWidget {
public:
    explicit ChartsView(std::vector<StatisticsChart> charts, QWidget* parent = nullptr);
    const std::vector<StatisticsChart>& charts() const { return m_charts; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<StatisticsChart> m_charts;
};

// The statistics window: the report on one tab, its charts on the other.
class StatisticsDialog : public QDialog {
    Q_OBJECT

public:
    StatisticsDialog(const QString& reportTable, std::vector<StatisticsChart> charts,
                     QWidget* parent = nullptr);
};

} // namespace tunebay
