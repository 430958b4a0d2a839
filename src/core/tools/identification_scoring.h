#pragma once

#include "tools/acoustid_client.h"

#include <string>
#include <utility>
#include <vector>

namespace tunebay {

// The item's working names and length as identification compares them.
struct IdentificationNames {
    std::string title;
    std::string group;
    std::string package;
    int length = 0; // seconds
};

// A name that says something: neither empty nor "Unknown".
bool IsUsableName(const std::string& name);

// How much a candidate looks like the item, 0..100. Computed exactly (no floating-point
// rounding), so a candidate just below the acceptance threshold is never rounded up into it.
int ScoreCandidate(const IdentificationNames& item, const AcoustIdCandidate& candidate);

// (score, candidate index) pairs ordered best first by the plain exchange sort, so candidates
// with equal scores keep the order that sort gives them.
std::vector<std::pair<int, int>> OrderCandidates(const std::vector<int>& scores);

// Candidates scoring this much are taken without asking (unless asking is wanted).
inline constexpr int kAcceptScore = 67;

} // namespace tunebay
