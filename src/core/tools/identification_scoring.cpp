#include "tools/identification_scoring.h"

#include "text/string_similarity.h"
#include "text/utf8_text.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace tunebay {

namespace {

// A non-negative rational number; the denominators stay small enough (texts of at most a few
// hundred code points) for 64 bits.
struct Ratio {
    int64_t numerator = 0;
    int64_t denominator = 1;
};

// The similarity of two texts as the exact ratio 2·L / (|a| + |b|).
Ratio similarity(const std::string& a, const std::string& b) {
    const int64_t total = static_cast<int64_t>(CodePointLength(a) + CodePointLength(b));
    if (total == 0)
        return {1, 1};
    const double ratio = StringSimilarity(a, b, 0.0);
    return {std::llround(ratio * static_cast<double>(total)), total};
}

Ratio lengthSimilarity(int x, int y) {
    const int difference = std::abs(x - y);
    if (difference > 300)
        return {0, 1};
    return {300 - difference, 300};
}

struct Weights {
    int mask;
    int group, package, title, length; // hundredths
};

constexpr Weights kWeights[] = {
    {1, 0, 0, 0, 95},    {4, 0, 0, 95, 0},    {5, 0, 0, 75, 20},    {8, 0, 100, 0, 0},
    {9, 0, 80, 0, 20},   {12, 0, 50, 50, 0},  {13, 0, 40, 40, 20},  {16, 95, 0, 0, 0},
    {17, 75, 0, 0, 20},  {20, 48, 0, 47, 0},  {21, 43, 0, 42, 10},  {24, 50, 50, 0, 0},
    {25, 45, 45, 0, 10}, {28, 33, 33, 34, 0}, {29, 30, 30, 30, 10},
};

void add(Ratio& sum, int weight, const Ratio& value) {
    if (weight == 0)
        return;
    sum.numerator = sum.numerator * value.denominator + weight * value.numerator * sum.denominator;
    sum.denominator *= value.denominator;
}

} // namespace

bool IsUsableName(const std::string& name) {
    return !name.empty() && name != "Unknown";
}

int ScoreCandidate(const IdentificationNames& item, const AcoustIdCandidate& candidate) {
    const std::string& t = candidate.title;
    const std::string& g = candidate.artist;
    const std::string& p = candidate.album;
    if (!IsUsableName(item.title) && !IsUsableName(item.group) && !IsUsableName(item.package) &&
        t.empty() && g.empty() && p.empty())
        return 0;

    // An empty candidate field earns nothing and borrows nothing from the item: a recording
    // without an album must not match every album.
    int mask = 0;
    if (IsUsableName(item.group) && !g.empty())
        mask |= 16;
    if (IsUsableName(item.package) && !p.empty())
        mask |= 8;
    if (IsUsableName(item.title) && !t.empty())
        mask |= 4;
    if (candidate.duration > 0 && item.length > 0)
        mask |= 1;
    if (mask == 0)
        return 0;

    const Weights* weights = nullptr;
    for (const auto& row : kWeights)
        if (row.mask == mask)
            weights = &row;
    if (!weights)
        return 0;

    Ratio sum;
    if (mask & 16)
        add(sum, weights->group, similarity(item.group, g));
    if (mask & 8)
        add(sum, weights->package, similarity(item.package, p));
    if (mask & 4)
        add(sum, weights->title, similarity(item.title, t));
    if (mask & 1)
        add(sum, weights->length, lengthSimilarity(candidate.duration, item.length));
    // The weights are hundredths, so the sum is already the score before rounding up.
    return static_cast<int>((sum.numerator + sum.denominator - 1) / sum.denominator);
}

std::vector<std::pair<int, int>> OrderCandidates(const std::vector<int>& scores) {
    std::vector<std::pair<int, int>> pairs;
    for (size_t i = 0; i < scores.size(); ++i)
        pairs.emplace_back(scores[i], static_cast<int>(i));
    for (size_t i = 0; i < pairs.size(); ++i)
        for (size_t j = i + 1; j < pairs.size(); ++j)
            if (pairs[i].first < pairs[j].first)
                std::swap(pairs[i], pairs[j]);
    return pairs;
}

} // namespace tunebay
