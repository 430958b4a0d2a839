// Acoustic fingerprint speed: FILES generated 30-second tunes decoded and fingerprinted
// (default 20), printed as fingerprints per second; then the offline duplicate search over ITEMS
// two-minute fingerprints (default 10,000, one in ten a noisy copy of another).
//
// Usage: bench_fingerprint [FILES] [ITEMS]
#include "tools/acoustic_duplicates.h"
#include "tools/audio_fingerprint.h"

#include "support/temp_dir.h"
#include "support/tone_mp3.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

using namespace tunebay;

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 20;
    const int items = argc > 2 ? std::atoi(argv[2]) : 10000;

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
