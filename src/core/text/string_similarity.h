#pragma once

#include <string_view>

namespace tunebay {

// The ratio 2·L / (|a| + |b|), where L is the length of the longest common subsequence of the
// two texts' code points (case matters): 1 for equal texts, 0 when they share nothing.
// Comparing stops early, with a result below `lowerBound`, once the texts are known to be less
// similar than that; pass 0 for the exact ratio. Very long and very different texts may get a
// slightly low ratio, as the search gives up on the optimal split after a while.
double StringSimilarity(std::string_view a, std::string_view b, double lowerBound);

} // namespace tunebay
