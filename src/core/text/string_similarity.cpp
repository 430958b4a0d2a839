#include "text/string_similarity.h"

#include "text/utf8_text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <limits>
#include <string>
#include <vector>

namespace tunebay {

namespace {

using Index = std::ptrdiff_t;

constexpr Index kFarRight = std::numeric_limits<Index>::max();
constexpr Index kMinimumCostLimit = 256;

struct Range {
    Index xBegin;
    Index xEnd;
    Index yBegin;
    Index yEnd;
};

struct Point {
    Index x;
    Index y;
};

// Kept between calls and only grown, as similarity runs several times per candidate. Being per
// thread, it also lets several threads compare at the same time.
struct Workspace {
    std::u32string a;
    std::u32string b;
    std::vector<Index> forward;
    std::vector<Index> backward;
    std::vector<Range> pending;
};

thread_local Workspace t_workspace;

void DecodeInto(std::string_view text, std::u32string& out) {
    out.clear();
    for (std::size_t index = 0; index < text.size();)
        out.push_back(DecodeNextCodePoint(text, index));
}

// Counts the insertions plus deletions of a shortest edit script from `a` to `b` with the
// linear-space O(ND) difference algorithm: take off the common ends, find the middle snake of
// the rest, and continue with the parts before and after it.
class EditCounter {
public:
    EditCounter(const Workspace& workspace, Index* forward, Index* backward, Index costLimit)
        : m_a(workspace.a.data()), m_b(workspace.b.data()), m_forward(forward),
          m_backward(backward), m_costLimit(costLimit) {}

    // Stops as soon as the count exceeds `maxEdits`, returning what was counted so far.
    Index Count(std::vector<Range>& pending, Index maxEdits) const;

private:
    Point FindMiddleSnake(const Range& range) const;
    Point FurthestReaching(const Range& range, Index fLow, Index fHigh, Index bLow,
                           Index bHigh) const;

    const char32_t* m_a;
    const char32_t* m_b;
    // Indexed by diagonal x - y, which runs from -|b| - 1 to |a| + 1.
    Index* m_forward;
    Index* m_backward;
    Index m_costLimit;
};

Index EditCounter::Count(std::vector<Range>& pending, Index maxEdits) const {
    Index edits = 0;
    while (!pending.empty()) {
        Range r = pending.back();
        pending.pop_back();
        while (r.xBegin < r.xEnd && r.yBegin < r.yEnd && m_a[r.xBegin] == m_b[r.yBegin]) {
            ++r.xBegin;
            ++r.yBegin;
        }
        while (r.xEnd > r.xBegin && r.yEnd > r.yBegin && m_a[r.xEnd - 1] == m_b[r.yEnd - 1]) {
            --r.xEnd;
            --r.yEnd;
        }
        Index whole = (r.xEnd - r.xBegin) + (r.yEnd - r.yBegin);
        if (r.xBegin < r.xEnd && r.yBegin < r.yEnd) {
            Point mid = FindMiddleSnake(r);
            mid.x = std::clamp(mid.x, r.xBegin, r.xEnd);
            mid.y = std::clamp(mid.y, r.yBegin, r.yEnd);
            // A split at a corner would make no progress; the search never returns one, but an
            // endless loop is too high a price for trusting that.
            const bool atCorner =
                (mid.x == r.xBegin && mid.y == r.yBegin) || (mid.x == r.xEnd && mid.y == r.yEnd);
            if (!atCorner) {
                pending.push_back({mid.x, r.xEnd, mid.y, r.yEnd});
                pending.push_back({r.xBegin, mid.x, r.yBegin, mid.y});
                continue;
            }
        }
        edits += whole;
        if (edits > maxEdits)
            break;
    }
    pending.clear();
    return edits;
}

Point EditCounter::FindMiddleSnake(const Range& r) const {
    Index* const fd = m_forward;  // furthest x reached from the start, per diagonal
    Index* const bd = m_backward; // smallest x reached from the end, per diagonal
    const Index lowDiagonal = r.xBegin - r.yEnd;
    const Index highDiagonal = r.xEnd - r.yBegin;
    const Index forwardCentre = r.xBegin - r.yBegin;
    const Index backwardCentre = r.xEnd - r.yEnd;
    // With an odd difference the paths can only meet after a forward step, otherwise after a
    // backward one.
    const bool oddDelta = ((forwardCentre - backwardCentre) & 1) != 0;

    Index fLow = forwardCentre;
    Index fHigh = forwardCentre;
    Index bLow = backwardCentre;
    Index bHigh = backwardCentre;
    fd[forwardCentre] = r.xBegin;
    bd[backwardCentre] = r.xEnd;

    for (Index cost = 1;; ++cost) {
        // Each round widens the band of diagonals by one on each side while it fits the range;
        // the markers written just outside it never win the comparison below.
        if (fLow > lowDiagonal)
            fd[--fLow - 1] = -1;
        else
            ++fLow;
        if (fHigh < highDiagonal)
            fd[++fHigh + 1] = -1;
        else
            --fHigh;
        for (Index d = fHigh; d >= fLow; d -= 2) {
            const Index fromLeft = fd[d - 1];
            const Index fromAbove = fd[d + 1];
            Index x = fromLeft >= fromAbove ? fromLeft + 1 : fromAbove;
            Index y = x - d;
            while (x < r.xEnd && y < r.yEnd && m_a[x] == m_b[y]) {
                ++x;
                ++y;
            }
            fd[d] = x;
            if (oddDelta && d >= bLow && d <= bHigh && bd[d] <= x)
                return {x, y};
        }

        if (bLow > lowDiagonal)
            bd[--bLow - 1] = kFarRight;
        else
            ++bLow;
        if (bHigh < highDiagonal)
            bd[++bHigh + 1] = kFarRight;
        else
            --bHigh;
        for (Index d = bHigh; d >= bLow; d -= 2) {
            const Index fromBelow = bd[d - 1];
            const Index fromRight = bd[d + 1];
            Index x = fromBelow < fromRight ? fromBelow : fromRight - 1;
            Index y = x - d;
            while (x > r.xBegin && y > r.yBegin && m_a[x - 1] == m_b[y - 1]) {
                --x;
                --y;
            }
            bd[d] = x;
            if (!oddDelta && d >= fLow && d <= fHigh && x <= fd[d])
                return {x, y};
        }

        if (cost >= m_costLimit)
            return FurthestReaching(r, fLow, fHigh, bLow, bHigh);
    }
}

// Past the cost limit: split where one of the two searches has come furthest, which keeps the
// work bounded at the price of a possibly longer edit script.
Point EditCounter::FurthestReaching(const Range& r, Index fLow, Index fHigh, Index bLow,
                                    Index bHigh) const {
    Index forwardBestSum = -1;
    Index forwardBestX = r.xBegin;
    for (Index d = fHigh; d >= fLow; d -= 2) {
        Index x = std::min(m_forward[d], r.xEnd);
        Index y = x - d;
        if (y > r.yEnd) {
            x = r.yEnd + d;
            y = r.yEnd;
        }
        if (x + y > forwardBestSum) {
            forwardBestSum = x + y;
            forwardBestX = x;
        }
    }
    Index backwardBestSum = kFarRight;
    Index backwardBestX = r.xEnd;
    for (Index d = bHigh; d >= bLow; d -= 2) {
        Index x = std::max(m_backward[d], r.xBegin);
        Index y = x - d;
        if (y < r.yBegin) {
            x = r.yBegin + d;
            y = r.yBegin;
        }
        if (x + y < backwardBestSum) {
            backwardBestSum = x + y;
            backwardBestX = x;
        }
    }
    const Index forwardProgress = forwardBestSum - (r.xBegin + r.yBegin);
    const Index backwardProgress = (r.xEnd + r.yEnd) - backwardBestSum;
    if (forwardProgress > backwardProgress)
        return {forwardBestX, forwardBestSum - forwardBestX};
    return {backwardBestX, backwardBestSum - backwardBestX};
}

// max(256, 2^k), k being the number of base-4 digits of n: roughly twice the square root of n.
Index CostLimit(Index n) {
    int digits = 0;
    for (Index rest = n; rest > 0; rest >>= 2)
        ++digits;
    return std::max(kMinimumCostLimit, Index{1} << digits);
}

} // namespace

double StringSimilarity(std::string_view a, std::string_view b, double lowerBound) {
    Workspace& work = t_workspace;
    DecodeInto(a, work.a);
    DecodeInto(b, work.b);
    const Index lengthA = static_cast<Index>(work.a.size());
    const Index lengthB = static_cast<Index>(work.b.size());
    if (lengthA == 0 && lengthB == 0)
        return 1.0;
    if (lengthA == 0 || lengthB == 0)
        return 0.0;

    const Index n = lengthA + lengthB;
    const auto diagonals = static_cast<std::size_t>(n + 3);
    if (work.forward.size() < diagonals) {
        work.forward.resize(diagonals);
        work.backward.resize(diagonals);
    }
    const double allowed = std::floor(static_cast<double>(n) * (1.0 - lowerBound) + 1.0);
    const Index maxEdits = allowed >= static_cast<double>(n) ? n : static_cast<Index>(allowed);

    const EditCounter counter(work, work.forward.data() + lengthB + 1,
                              work.backward.data() + lengthB + 1, CostLimit(n));
    work.pending.push_back({0, lengthA, 0, lengthB});
    const Index edits = counter.Count(work.pending, maxEdits);
    return std::max(0.0, static_cast<double>(n - edits) / static_cast<double>(n));
}

} // namespace tunebay
