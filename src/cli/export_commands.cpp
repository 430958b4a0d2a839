// Writing the catalogue out: export (the seven export formats) and stats (the statistics
// report).
#include "cli_context.h"
#include "console_progress.h"
#include "cover_thumbnails.h"
#include "json_output.h"
#include "scope_options.h"

#include "chart_files.h"
#include "output/export_options.h"
#include "output/run_exporter.h"
#include "output/statistics.h"
#include "output/statistics_charts.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>

namespace tunebay::cli {

namespace {

// A pair of flags that switches a setting on or off for this run.
struct Switch {
    bool on = false;
    bool off = false;

    void Register(CLI::App& command, const std::string& name, const std::string& help) {
        auto* onFlag = command.add_flag("--" + name, on, help);
        auto* offFlag = command.add_flag("--no-" + name, off);
        onFlag->excludes(offFlag);
    }
    void Apply(int& value) const {
        if (on || off)
            value = on ? 1 : 0;
    }
};

// Why a file cannot be written, in the system's words, for the export's failure message.
std::string WriteProblem(const std::string& path) {
    namespace fs = std::filesystem;
    const fs::path file(path);
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::error_code error;
    if (!fs::is_directory(folder, error))
        return folder.string() + ": " + std::strerror(ENOENT);
    if (fs::is_directory(file, error))
        return path + ": " + std::strerror(EISDIR);
    if (fs::exists(file, error) ? access(path.c_str(), W_OK) != 0
                                : access(folder.c_str(), W_OK) != 0)
        return path + ": " + std::strerror(errno);
    return path + ": the file could not be written";
}

class ExportCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("export", "Export the items of a scope into a file");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        std::vector<std::string> names;
        for (const ExportFormatInfo& info : kExportFormats)
            names.push_back(info.cliName);
        parser
            ->add_option("--format", m_format,
                         "html (list), txt, m3u, pls, csv, xml or site (a web site with a page "
                         "per genre)")
            ->required()
            ->check(CLI::IsMember(names));
        parser
            ->add_option("-o,--output", m_output, "The file to write; - writes to standard output")
            ->required()
            ->type_name(kFileValue);
        parser->add_option("--title", m_title, "Title of the list (default: HTMLTitle)");
        parser->add_option("--columns", m_columns, "Items per table row (default: HTMLColumns)")
            ->check(CLI::Range(1, 5));
        parser
            ->add_option("--detail", m_detail,
                         "Columns: 0 title, 1 + group, 2 + length, 3 + genre and published, 4 + "
                         "comment (default: HTMLDetailLevel)")
            ->check(CLI::Range(0, 4));
        parser
            ->add_option("--link", m_link,
                         "Links to the files: 0 none, 1 local, 2 network, 3 web address "
                         "(default: HTMLLinkType)")
            ->check(CLI::Range(0, 3));
        parser
            ->add_option("--order", m_order,
                         "7 group, title; 8 genre, group, title (default: HTMLOrderType)")
            ->check(CLI::IsMember({7, 8}));
        m_index.Register(*parser, "index", "Number the items (default: HTMLShowNumbers)");
        m_icons.Register(*parser, "icons", "An icon per item (default: HTMLShowIcons)");
        m_covers.Register(*parser, "covers",
                          "site: a cover thumbnail per package, where the package changes "
                          "(default: HTMLCovers)");
        m_subdivide.Register(*parser, "subdivide",
                             "Break the list into groups (default: HTMLSubDivision)");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        const ExportFormatInfo* format = FindExportFormat(m_format);
        ExportOptions options = MakeExportOptions(context.settings, m_output);
        options.coverThumbnail = SiteCoverPng;
        if (m_title)
            options.title = *m_title;
        if (m_columns)
            options.itemsPerRow = *m_columns;
        if (m_detail)
            options.columnSet = *m_detail;
        if (m_link)
            options.linkType = *m_link;
        if (m_order)
            options.orderType = *m_order;
        m_index.Apply(options.showIndex);
        m_icons.Apply(options.showIcons);
        m_covers.Apply(options.showCovers);
        m_subdivide.Apply(options.subdivide);
        if (const int status = m_scope.Resolve(context, options.orderType, options.selection);
            status != kExitSuccess)
            return status;

        // Nothing is launched from the command line.
        if (!format)
            return kExitUsage;
        if (m_output == "-")
            return exportToOutput(context, *format, std::move(options));
        const std::string target = options.path;
        const ExportOutcome outcome =
            RunExport(context.connection, format->format, std::move(options),
                      context.settings.AppDirectory, false);
        if (!outcome.done) {
            context.err << kMessageExportFailed << " ("
                        << (outcome.refusal.empty() ? WriteProblem(target) : outcome.refusal)
                        << ")\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    // Writes the export into a scratch file and from there to standard output. The scratch
    // folder is gone before the first byte goes out, so neither a closed pipe (SIGPIPE) nor
    // Ctrl-C leaves the export behind; a signal during the export itself removes it too.
    static int exportToOutput(CliContext& context, const ExportFormatInfo& format,
                              ExportOptions options) {
        if (format.format == kExportWebSite) {
            context.err << "A web site is a folder of pages; it cannot go to standard output.\n";
            return kExitUsage;
        }
        // A folder of its own: the HTML list puts its style sheet and icons beside the page.
        std::string folder = (std::filesystem::temp_directory_path() / "tunebay-export-XXXXXX");
        if (!mkdtemp(folder.data())) {
            context.err << kMessageExportFailed << " (" << std::strerror(errno) << ")\n";
            return kExitReportedFailures;
        }
        const std::string name = folder + "/export" + format.extension;
        options.path = name;
        bool done = false;
        std::ifstream written;
        {
            StopSignals stopSignals;
            done = RunExport(context.connection, format.format, std::move(options),
                             context.settings.AppDirectory, false)
                       .done;
            if (done)
                written.open(name, std::ios::binary);
            std::error_code error;
            std::filesystem::remove_all(folder, error);
            if (StopSignals::Requested())
                return kExitInterrupted;
        }
        if (!done || !written) {
            context.err << kMessageExportFailed << "\n";
            return kExitReportedFailures;
        }
        // Written in pieces, each checked: a short write (a full disk, a closed pipe) is
        // reported by the caller with its reason.
        char buffer[1 << 16];
        while (written.read(buffer, sizeof buffer) || written.gcount() > 0)
            if (!context.out.write(buffer, written.gcount()))
                return kExitReportedFailures;
        return kExitSuccess;
    }

    std::string m_catalogue;
    // The export's own --link is the link type; the search rows join with --search-link.
    ScopeOptions m_scope{"--search-link"};
    std::string m_format;
    std::string m_output;
    std::optional<std::string> m_title;
    std::optional<int> m_columns;
    std::optional<int> m_detail;
    std::optional<int> m_link;
    std::optional<int> m_order;
    Switch m_index;
    Switch m_icons;
    Switch m_covers;
    Switch m_subdivide;
};

class StatsCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand("stats", "Show the statistics of the catalogue and a scope");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        m_scope.Register(*parser);
        parser->add_option("--chart", m_chart,
                           "Also draw the charts of the scope (items per genre, year, bit rate "
                           "and media type, length per group) into FILE (.svg or .png)");
        parser->add_flag("--json", m_json,
                         "Write the report as one JSON object: an object per part (\"ALL items\", "
                         "\"SELECTED items\", \"DATABASE\"), keyed by the labels");
    }

    int Run(CliContext& context) override {
        if (!m_chart.empty() && !m_chart.ends_with(".svg") && !m_chart.ends_with(".png")) {
            context.err << "The chart file must end in .svg or .png: " << m_chart << "\n";
            return kExitUsage;
        }
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        Selection selection;
        const int status = m_scope.Resolve(context, 0, selection);
        // A refused selection (its reason already printed) still gives the report, with the
        // failure line in place of the selected items.
        if (status != kExitSuccess && status != kExitReportedFailures)
            return status;
        const StatisticsReport report = BuildStatisticsReport(
            context.connection, status == kExitSuccess ? &selection : nullptr);
        if (m_json) {
            nlohmann::ordered_json facts = nlohmann::ordered_json::object();
            for (const StatisticsSection& section : report.sections) {
                nlohmann::ordered_json& lines = facts[section.name];
                lines = nlohmann::ordered_json::object();
                for (const auto& [label, value] : section.lines)
                    lines[label] = value;
            }
            facts["complete"] = report.complete;
            WriteLabelled(context.out, facts, true);
        } else {
            std::string text = report.text;
            std::erase(text, '\r');
            context.out << text << "\n";
        }
        if (!m_chart.empty() && status == kExitSuccess) {
            std::string error;
            if (!WriteChartsFile(m_chart, BuildStatisticsCharts(context.connection, &selection),
                                 error)) {
                context.err << "Cannot write the charts to " << m_chart << ": " << error << "\n";
                return kExitReportedFailures;
            }
        }
        return report.complete && status == kExitSuccess ? kExitSuccess : kExitReportedFailures;
    }

private:
    std::string m_catalogue;
    std::string m_chart;
    ScopeOptions m_scope;
    bool m_json = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeExportCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<ExportCommand>());
    commands.push_back(std::make_unique<StatsCommand>());
    return commands;
}

} // namespace tunebay::cli
