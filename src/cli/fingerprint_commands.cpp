// Acoustic fingerprints on the command line: fingerprint (one file, optionally looked up) and
// duplicates --acoustic (the same recording under other names, found offline).
#include "cli_context.h"
#include "console_progress.h"
#include "json_output.h"

#include "tools/acoustic_duplicates.h"
#include "tools/acoustid_client.h"
#include "tools/acoustid_identifier.h"
#include "tools/audio_fingerprint.h"
#include "tools/stored_fingerprints.h"

#include <cstdio>
#include <map>

#include <ostream>

namespace tunebay::cli {

namespace {

class FingerprintCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "fingerprint", "Print an audio file's length and acoustic fingerprint "
                           "(DURATION<TAB>FINGERPRINT), with --lookup also its AcoustID track id");
        parser->add_option("FILE", m_file, "Audio file (MP3, FLAC, Ogg, Opus, M4A, WAV, ...)")
            ->required()
            ->type_name(kFileValue);
        parser
            ->add_option("--lookup", m_catalogue,
                         "Look the fingerprint up with the lookup settings, for this catalogue")
            ->option_text("CATALOGUE")
            ->type_name(kCatalogueValue);
    }

    int Run(CliContext& context) override {
        if (!m_catalogue.empty() && !context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        const AudioFingerprint fingerprint = FingerprintFile(m_file);
        if (!fingerprint.ok) {
            context.err << m_file << ": " << (fingerprint.errorNumber ? "" : "no fingerprint: ")
                        << fingerprint.error << "\n";
            return kExitReportedFailures;
        }
        context.out << fingerprint.duration << "\t" << fingerprint.fingerprint;
        if (m_catalogue.empty()) {
            context.out << "\n";
            return kExitSuccess;
        }
        const AcoustIdSettings settings = AcoustIdSettings::FromSettings(context.settings);
        if (settings.apiKey.empty()) {
            context.out << "\n";
            context.err << "No AcoustID client key is set (MusicBrainzApiKey).\n";
            return kExitReportedFailures;
        }
        AcoustIdClient client(settings);
        std::vector<AcoustIdTrack> tracks;
        std::string error;
        const bool answered =
            client.LookupFingerprint(fingerprint.duration, fingerprint.fingerprint, tracks, error);
        // The track an import would store: the best-scored one with recordings.
        const std::string trackId = BestTrackWithCandidates(tracks);
        context.out << "\t" << trackId << "\n";
        if (!answered) {
            context.err << "The lookup failed: " << error << "\n";
            return kExitReportedFailures;
        }
        if (!IsTrackId(trackId)) {
            context.err << "No AcoustID track has this fingerprint.\n";
            return kExitReportedFailures;
        }
        return kExitSuccess;
    }

private:
    std::string m_file;
    std::string m_catalogue;
};

class AcousticDuplicatesCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "duplicates", "List items that are the same recording, by their acoustic "
                          "fingerprints (made and stored for the audio items that have none "
                          "yet)");
        parser->add_option("CATALOGUE", m_catalogue, kCatalogueHelp)
            ->required()
            ->type_name(kCatalogueValue);
        parser->add_flag("--acoustic", m_acoustic, "Compare acoustic fingerprints")->required();
        parser
            ->add_option("--threshold", m_threshold,
                         "Least share of equal fingerprint bits, 0.5 to 1 (default 0.9)")
            ->check(CLI::Range(0.5, 1.0));
        parser->add_flag("--json", m_json,
                         "Write one JSON object: \"pairs\", each with similarity and the two "
                         "items' ids and files");
    }

    int Run(CliContext& context) override {
        if (!context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        ConsoleProgress progress(context.err);
        const FingerprintCollection collection =
            CollectFingerprints(context.connection, {}, [&progress](int count) {
                progress.OnProgress(0, "Fingerprinting files...  " + std::to_string(count));
            });
        progress.ClearLine();
        for (const auto& path : collection.failed)
            context.err << path << ": no fingerprint\n";
        std::map<int, int> items; // media -> item
        for (ResultSet rows = context.connection.Execute("SELECT lMediaID, lID FROM tblItem");
             !rows.IsEof(); rows.MoveNext())
            items[rows.GetInt(0)] = rows.GetInt(1);
        // Each item with its file where this machine has it, as the fingerprint was made.
        const auto itemFile = [&](int media) {
            return std::pair<int, std::string>{items[media], collection.paths.at(media)};
        };
        nlohmann::ordered_json pairs = nlohmann::ordered_json::array();
        for (const AcousticMatch& match : FindAcousticDuplicates(collection.media, m_threshold)) {
            const auto first = itemFile(match.firstMediaId);
            const auto second = itemFile(match.secondMediaId);
            char similarity[16];
            std::snprintf(similarity, sizeof similarity, "%.3f", match.similarity);
            if (m_json)
                pairs.push_back({{"similarity", std::stod(similarity)},
                                 {"first", {{"id", first.first}, {"file", first.second}}},
                                 {"second", {{"id", second.first}, {"file", second.second}}}});
            else
                context.out << similarity << "\t" << first.first << "\t" << first.second << "\t"
                            << second.first << "\t" << second.second << "\n";
        }
        if (m_json)
            WriteLabelled(context.out, {{"pairs", std::move(pairs)}}, true);
        return collection.failed.empty() ? kExitSuccess : kExitReportedFailures;
    }

private:
    std::string m_catalogue;
    bool m_acoustic = false;
    double m_threshold = 0.9;
    bool m_json = false;
};

} // namespace

std::vector<std::unique_ptr<Command>> MakeFingerprintCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<FingerprintCommand>());
    commands.push_back(std::make_unique<AcousticDuplicatesCommand>());
    return commands;
}

} // namespace tunebay::cli
