// The acoustic fingerprint of one file, optionally looked up: fingerprint.
#include "cli_context.h"

#include "tools/acoustid_client.h"
#include "tools/acoustid_identifier.h"
#include "tools/audio_fingerprint.h"

#include <ostream>

namespace tunebay::cli {

namespace {

class FingerprintCommand : public Command {
public:
    void Register(CLI::App& app) override {
        parser = app.add_subcommand(
            "fingerprint", "Print an MP3 file's length and acoustic fingerprint "
                           "(DURATION<TAB>FINGERPRINT), with --lookup also its AcoustID track id");
        parser->add_option("FILE", m_file, "MP3 file")->required();
        parser
            ->add_option("--lookup", m_catalogue,
                         "Look the fingerprint up with the lookup settings, for this catalogue")
            ->option_text("CATALOGUE");
    }

    int Run(CliContext& context) override {
        if (!m_catalogue.empty() && !context.OpenCatalogue(m_catalogue))
            return kExitCatalogueNotOpened;
        const AudioFingerprint fingerprint = FingerprintFile(m_file);
        if (!fingerprint.ok) {
            context.err << m_file << ": no fingerprint: " << fingerprint.error << "\n";
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
        std::string trackId;
        std::string error;
        const bool answered =
            client.LookupFingerprint(fingerprint.duration, fingerprint.fingerprint, trackId, error);
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

} // namespace

std::vector<std::unique_ptr<Command>> MakeFingerprintCommands() {
    std::vector<std::unique_ptr<Command>> commands;
    commands.push_back(std::make_unique<FingerprintCommand>());
    return commands;
}

} // namespace tunebay::cli
