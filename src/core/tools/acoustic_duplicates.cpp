#include "tools/acoustic_duplicates.h"

#include <algorithm>
#include <bit>
#include <tuple>

namespace tunebay {

namespace {

// About six seconds of audio: less overlap says nothing.
constexpr int kMinimumOverlap = 48;
// A sub-fingerprint that many files share (silence, hum) points at nothing in particular.
constexpr size_t kCommonValueLimit = 64;
// Exact sub-fingerprint hits at one offset that make a pair worth comparing in full.
constexpr int kMinimumHits = 4;

// One sub-fingerprint in four takes part in the search, chosen by its value.
bool sampled(uint32_t value) {
    return (value * 0x9E3779B1u) >> 30 == 0;
}

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
    // Every sub-fingerprint chosen by its value (the same ones in every file, so copies still
    // meet), sorted so that equal values stand together.
    struct Entry {
        uint32_t value;
        uint32_t media;
        int32_t position;
    };
    std::vector<Entry> entries;
    for (size_t m = 0; m < media.size(); ++m)
        for (size_t p = 0; p < media[m].raw.size(); ++p)
            if (sampled(media[m].raw[p]))
                entries.push_back(
                    {media[m].raw[p], static_cast<uint32_t>(m), static_cast<int32_t>(p)});
    std::sort(entries.begin(), entries.end(), [](const Entry& x, const Entry& y) {
        return std::tie(x.value, x.media, x.position) < std::tie(y.value, y.media, y.position);
    });

    // One hit per pair of files sharing a value, with the offset it implies.
    struct Hit {
        uint32_t first;
        uint32_t second;
        int32_t offset; // position in first − position in second
        bool operator<(const Hit& other) const {
            return std::tie(first, second, offset) <
                   std::tie(other.first, other.second, other.offset);
        }
    };
    std::vector<Hit> hits;
    for (size_t begin = 0; begin < entries.size();) {
        size_t end = begin + 1;
        while (end < entries.size() && entries[end].value == entries[begin].value)
            ++end;
        if (end - begin <= kCommonValueLimit)
            for (size_t i = begin; i < end; ++i)
                for (size_t j = i + 1; j < end; ++j)
                    if (entries[i].media != entries[j].media)
                        hits.push_back({entries[i].media, entries[j].media,
                                        entries[i].position - entries[j].position});
        begin = end;
    }
    std::sort(hits.begin(), hits.end());

    std::vector<AcousticMatch> matches;
    for (size_t begin = 0; begin < hits.size();) {
        // All hits of one pair: take the offset most of them agree on.
        size_t end = begin;
        int bestCount = 0;
        int32_t bestOffset = 0;
        while (end < hits.size() && hits[end].first == hits[begin].first &&
               hits[end].second == hits[begin].second) {
            size_t same = end;
            while (same < hits.size() && hits[same].first == hits[end].first &&
                   hits[same].second == hits[end].second && hits[same].offset == hits[end].offset)
                ++same;
            if (static_cast<int>(same - end) > bestCount) {
                bestCount = static_cast<int>(same - end);
                bestOffset = hits[end].offset;
            }
            end = same;
        }
        if (bestCount >= kMinimumHits) {
            const auto& first = media[hits[begin].first];
            const auto& second = media[hits[begin].second];
            const double similarity = AlignedSimilarity(first.raw, second.raw, bestOffset);
            if (similarity >= threshold)
                matches.push_back({first.mediaId, second.mediaId, similarity});
        }
        begin = end;
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
