#include "tools/acoustic_duplicates.h"

#include <algorithm>
#include <bit>
#include <unordered_map>

namespace tunebay {

namespace {

// About six seconds of audio: less overlap says nothing.
constexpr int kMinimumOverlap = 48;
// A sub-fingerprint that many files share (silence, hum) points at nothing in particular.
constexpr size_t kCommonValueLimit = 64;
// Exact sub-fingerprint hits at one offset that make a pair worth comparing in full.
constexpr int kMinimumHits = 4;

} // namespace

double AlignedSimilarity(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b,
                         int offset) {
    // a[i] meets b[i - offset].
    const long begin = std::max<long>(0, offset);
    const long end =
        std::min<long>(static_cast<long>(a.size()), static_cast<long>(b.size()) + offset);
    if (end - begin < kMinimumOverlap)
        return 0.0;
    long differing = 0;
    for (long i = begin; i < end; ++i)
        differing += std::popcount(a[static_cast<size_t>(i)] ^ b[static_cast<size_t>(i - offset)]);
    return 1.0 - static_cast<double>(differing) / (32.0 * static_cast<double>(end - begin));
}

std::vector<AcousticMatch> FindAcousticDuplicates(const std::vector<FingerprintedMedia>& media,
                                                  double threshold) {
    // value -> (media index, position) of every occurrence
    std::unordered_map<uint32_t, std::vector<std::pair<int, int>>> index;
    for (size_t m = 0; m < media.size(); ++m)
        for (size_t p = 0; p < media[m].raw.size(); ++p)
            index[media[m].raw[p]].emplace_back(static_cast<int>(m), static_cast<int>(p));

    std::vector<AcousticMatch> matches;
    for (size_t m = 0; m < media.size(); ++m) {
        // (other media, offset) -> hits, for the media after this one only
        std::unordered_map<uint64_t, int> hits;
        const auto& raw = media[m].raw;
        for (size_t p = 0; p < raw.size(); ++p) {
            const auto found = index.find(raw[p]);
            if (found == index.end() || found->second.size() > kCommonValueLimit)
                continue;
            for (const auto& [other, position] : found->second) {
                if (other <= static_cast<int>(m))
                    continue;
                const int offset = static_cast<int>(p) - position;
                ++hits[(static_cast<uint64_t>(other) << 32) | static_cast<uint32_t>(offset)];
            }
        }
        // The best offset per other media.
        std::unordered_map<int, std::pair<int, int>> best; // other -> (hits, offset)
        for (const auto& [key, count] : hits) {
            const int other = static_cast<int>(key >> 32);
            const int offset = static_cast<int>(static_cast<uint32_t>(key & 0xFFFFFFFFu));
            auto& slot = best[other];
            if (count > slot.first)
                slot = {count, offset};
        }
        for (const auto& [other, hitAndOffset] : best) {
            if (hitAndOffset.first < kMinimumHits)
                continue;
            const double similarity =
                AlignedSimilarity(raw, media[static_cast<size_t>(other)].raw, hitAndOffset.second);
            if (similarity >= threshold)
                matches.push_back(
                    {media[m].mediaId, media[static_cast<size_t>(other)].mediaId, similarity});
        }
    }
    std::sort(matches.begin(), matches.end(), [](const AcousticMatch& x, const AcousticMatch& y) {
        if (x.similarity != y.similarity)
            return x.similarity > y.similarity;
        return std::pair(x.firstMediaId, x.secondMediaId) <
               std::pair(y.firstMediaId, y.secondMediaId);
    });
    return matches;
}

} // namespace tunebay
