// Acoustic fingerprint speed: FILES generated 30-second tunes decoded and fingerprinted
// (default 20), printed as fingerprints per second; FLAC_FILES 150-second FLAC files (default 6,
// made with ffmpeg and flac) fingerprinted in process and by the fingerprinter's own command-line
// tool, fpcalc, started once per file as other programs use it, both as the median of five
// rounds; then the offline duplicate search over ITEMS two-minute fingerprints (default 10,000,
// one in ten a noisy copy of another).
//
// Usage: bench_fingerprint [FILES] [ITEMS] [FLAC_FILES]
#include "tools/acoustic_duplicates.h"
#include "tools/audio_fingerprint.h"

#include "support/encoded_audio.h"
#include "support/programs.h"
#include "support/temp_dir.h"
#include "support/tone_mp3.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// Files per second of `fingerprint` over `paths`, the median of `rounds` rounds; `made` gets
// how many of the files gave a fingerprint in the last round.
double medianRate(const std::vector<std::string>& paths, int rounds,
                  const std::function<bool(const std::string&)>& fingerprint, int& made) {
    std::vector<double> rates;
    for (int round = 0; round < rounds; ++round) {
        made = 0;
        const auto started = std::chrono::steady_clock::now();
        for (const auto& path : paths)
            made += fingerprint(path) ? 1 : 0;
        rates.push_back(static_cast<double>(paths.size()) / secondsSince(started));
    }
    return median(rates);
}

void compareFlac(int files) {
    constexpr int kSeconds = 150;
    constexpr int kRounds = 5;
    for (const char* program : {"ffmpeg", "flac", "fpcalc"})
        if (!test::onPath(program)) {
            std::printf("FLAC fingerprints: skipped, %s is not installed\n", program);
            return;
        }
    test::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i) {
        const std::filesystem::path wav = dir.file("r" + std::to_string(i) + ".wav");
        const std::filesystem::path flac =
            test::MakeRecording(wav, i + 1, kSeconds)
                ? test::EncodeAudio(dir.path(), "r" + std::to_string(i) + ".flac",
                                    {.format = AudioFormat::Flac, .source = wav})
                : std::filesystem::path();
        if (flac.empty()) {
            std::printf("FLAC fingerprints: skipped, the files could not be made\n");
            return;
        }
        std::filesystem::remove(wav);
        paths.push_back(flac.string());
    }
    int ours = 0;
    int theirs = 0;
    const double inProcess = medianRate(
        paths, kRounds, [](const std::string& path) { return FingerprintFile(path).ok; }, ours);
    const double tool = medianRate(
        paths, kRounds,
        [](const std::string& path) {
            return test::runProgram({"fpcalc", path}).out.find("FINGERPRINT=") != std::string::npos;
        },
        theirs);
    std::printf("FLAC fingerprints (%d files of %d s, median of %d rounds): %.1f/s in process "
                "(%d made), fpcalc %.1f/s (a process per file, %d made)\n",
                files, kSeconds, kRounds, inProcess, ours, tool, theirs);
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const int items = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int flacFiles = argc > 3 ? std::atoi(argv[3]) : 6;

    test::TempDir dir;
    std::vector<std::string> paths;
    for (int i = 0; i < files; ++i)
        paths.push_back(dir.write("t" + std::to_string(i) + ".mp3",
                                  test::toneMp3({static_cast<uint32_t>(i + 1), 30, 0}))
                            .string());
    const auto started = std::chrono::steady_clock::now();
    int made = 0;
    for (const auto& path : paths)
        made += FingerprintFile(path).ok ? 1 : 0;
    const double fingerprintSeconds = secondsSince(started);
    std::printf("fingerprints: %d of %d files (30 s each) in %.2f s = %.1f fingerprints/s\n", made,
                files, fingerprintSeconds, made / fingerprintSeconds);
    compareFlac(flacFiles);

    // About 950 sub-fingerprints make two minutes.
    std::mt19937 random(1);
    std::vector<FingerprintedMedia> media;
    for (int i = 0; i < items; ++i) {
        FingerprintedMedia entry{i + 1, {}};
        if (i % 10 == 9) {
            entry.raw = media[static_cast<size_t>(random() % static_cast<unsigned>(i))].raw;
            for (auto& value : entry.raw)
                if (random() % 4 == 0)
                    value ^= 1u << (random() % 32);
        } else {
            entry.raw.resize(950);
            for (auto& value : entry.raw)
                value = static_cast<uint32_t>(random());
        }
        media.push_back(std::move(entry));
    }
    const auto compared = std::chrono::steady_clock::now();
    const auto matches = FindAcousticDuplicates(media, 0.9);
    std::printf("acoustic duplicates: %d items compared in %.2f s, %zu pairs found\n", items,
                secondsSince(compared), matches.size());
    return 0;
}
