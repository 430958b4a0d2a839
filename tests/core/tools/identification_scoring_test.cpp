#include "tools/identification_scoring.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

struct ScoreCase {
    const char* name;
    IdentificationNames item;
    AcoustIdCandidate candidate;
    int score;
};

const ScoreCase kScoreCases[] = {
    {"nothing to compare", {"Unknown", "", "Unknown", 200}, {"", "", "", 200}, 0},
    {"no usable pair", {"Unknown", "Unknown", "Unknown", 0}, {"Song", "Band", "", 0}, 0},
    {"perfect without package", {"Song", "Band", "Unknown", 200}, {"Song", "Band", "", 200}, 95},
    {"perfect with package", {"Song", "Band", "Album", 200}, {"Song", "Band", "Album", 200}, 100},
    {"equal lengths", {"Unknown", "Unknown", "Unknown", 200}, {"Song", "", "", 200}, 95},
    {"lengths 150 apart", {"Unknown", "Unknown", "Unknown", 200}, {"Song", "", "", 50}, 48},
    {"lengths 300 apart", {"Unknown", "Unknown", "Unknown", 400}, {"Song", "", "", 100}, 0},
    // 75 × 0.8 + 20 × 0.3 is exactly 66; in floating point it comes out a hair above.
    {"exactly 66", {"abcde", "Unknown", "Unknown", 300}, {"abcdx", "", "", 90}, 66},
    {"just 67", {"abcde", "Unknown", "Unknown", 300}, {"abcdx", "", "", 93}, 67},
    {"case matters", {"Song", "", "", 0}, {"song", "", "", 0}, 72},
    // An empty field on either side earns nothing and lends nothing.
    {"album the item lacks", {"Song", "Unknown", "Unknown", 0}, {"Song", "", "Album", 0}, 95},
    {"album the candidate lacks", {"Song", "", "Album", 0}, {"Song", "", "", 0}, 95},
    {"title only",
     {"Morning Light", "Real Band", "Real Album", 200},
     {"Morning Light", "", "", 200},
     95},
    {"album only", {"Song", "Band", "Album", 0}, {"", "", "Album", 0}, 100},
    {"different group", {"Song", "Band", "", 0}, {"Song", "Xyz", "", 0}, 47},
};

class ScoreCandidateTest : public ::testing::TestWithParam<ScoreCase> {};

TEST_P(ScoreCandidateTest, MatchesTheWeightedSimilarity) {
    const ScoreCase& c = GetParam();
    EXPECT_EQ(ScoreCandidate(c.item, c.candidate), c.score);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScoreCandidateTest, ::testing::ValuesIn(kScoreCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c)))
                                     c = '_';
                             return name;
                         });

TEST(OrderCandidatesTest, ExchangeSortPutsTheBestFirst) {
    const auto order = OrderCandidates({50, 80, 50, 90});
    const std::vector<std::pair<int, int>> expected{{90, 3}, {80, 1}, {50, 2}, {50, 0}};
    EXPECT_EQ(order, expected);
}

} // namespace
} // namespace tunebay
