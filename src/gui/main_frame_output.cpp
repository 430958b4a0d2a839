// The window's output commands: Export and Statistic, over the core's exporters and report.
#include "main_frame.h"
#include "shown_text.h"

#include "cover_thumbnails.h"

#include "output/run_exporter.h"
#include "output/statistics.h"
#include "output/statistics_charts.h"
#include "prompter.h"
#include "store/catalogue_error.h"

#include <QApplication>
#include <QDir>
#include <QGuiApplication>

#include <algorithm>

namespace tunebay {

namespace {

// The wait cursor for as long as a blocking command runs.
class WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

} // namespace

void CMainFrame::ExportItems() {
    if (!m_document.IsOpen())
        return;
    QStringList filters;
    for (const ExportFormatInfo& format : kExportFormats)
        filters << ShownText(format.filterText);
    int index = std::clamp(m_settings.ExportFilterIndex, 1, static_cast<int>(filters.size()));
    const QString initial = QDir(QString::fromStdString(m_settings.ExportFolder))
                                .filePath(ShownText(kExportInitialFileName));
    const QString chosen =
        m_prompter.ExportFileName(ShownText(kExportDialogTitle), initial, filters, index);
    const ExportFormatInfo* format = FindExportFormat(index);
    if (chosen.isEmpty() || !format)
        return;
    const std::string path = WithExportExtension(chosen.toStdString(), index);
    m_settings.ExportFolder = ExportFolderOf(path);
    m_settings.ExportFilterIndex = index;
    if (m_settings.HTMLAskOptions && format->takesOptionsSheet &&
        !m_prompter.AskExportOptions(m_settings))
        return;

    showStatusNow(ShownText(kStatusExporting));
    ExportOptions options = MakeExportOptions(m_settings, path);
    options.coverThumbnail = SiteCoverPng;
    if (!buildSelection(options.selection)) {
        SetStatusText({});
        return;
    }
    ExportOutcome outcome;
    try {
        WaitCursor wait;
        outcome = RunExport(m_connection, index, options, m_settings.AppDirectory,
                            m_settings.HTMLLaunchFile != 0);
    } catch (const CatalogueError&) {
        outcome = {};
    }
    if (!outcome.done) {
        m_prompter.Message(ShownText(kMessageExportFailed), PromptIcon::Information);
    } else if (!outcome.launchPath.empty()) {
        showStatusNow(ShownText(kStatusLaunching));
        if (!m_prompter.OpenWithDesktop(QString::fromStdString(outcome.launchPath)))
            m_prompter.Message(ShownText(kMessageNoAssociation), PromptIcon::Information);
    }
    SetStatusText({});
}

void CMainFrame::ShowStatistic() {
    if (!m_document.IsOpen())
        return;
    Selection selection;
    const bool selected = buildSelection(selection);
    StatisticsReport report;
    std::vector<StatisticsChart> charts;
    {
        WaitCursor wait;
        report =
            BuildStatisticsReport(m_connection, selected ? &selection : nullptr, ShownTextLookup());
        // The charts show the report's scope: the selected items, or every item when the
        // selection was refused.
        try {
            charts = BuildStatisticsCharts(m_connection, selected ? &selection : nullptr);
        } catch (const CatalogueError&) {
            charts.clear();
        }
    }
    QString text = QString::fromStdString(report.text);
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    m_prompter.StatisticsReport(text, charts);
}

} // namespace tunebay
