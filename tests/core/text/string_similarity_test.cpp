#include "text/string_similarity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace tunebay {
namespace {

// The plain dynamic-programming ratio 2·LCS / n, to check the fast search against.
double ReferenceSimilarity(const std::string& a, const std::string& b) {
    if (a.empty() && b.empty())
        return 1.0;
    std::vector<std::vector<int>> lcs(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            lcs[i][j] = a[i - 1] == b[j - 1] ? lcs[i - 1][j - 1] + 1
                                             : std::max(lcs[i - 1][j], lcs[i][j - 1]);
        }
    }
    return 2.0 * lcs[a.size()][b.size()] / static_cast<double>(a.size() + b.size());
}

std::string RandomText(std::mt19937& random, std::size_t length, char lastLetter) {
    std::uniform_int_distribution<int> letter('a', lastLetter);
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text.push_back(static_cast<char>(letter(random)));
    return text;
}

TEST(StringSimilarity, EmptyAndCaseSensitiveEdges) {
    EXPECT_DOUBLE_EQ(StringSimilarity("", "", 0), 1.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("abc", "", 0), 0.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("", "abc", 0), 0.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("abc", "ABC", 0), 0.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("abc", "abc", 0), 1.0);
}

TEST(StringSimilarity, RatioOfCommonSubsequence) {
    EXPECT_DOUBLE_EQ(StringSimilarity("abcd", "abed", 0), 0.75);
    EXPECT_DOUBLE_EQ(StringSimilarity("Yesterday", "Yesterday (Remastered)", 0), 18.0 / 31.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("kitten", "sitting", 0), 8.0 / 13.0);
}

TEST(StringSimilarity, CountsCodePoints) {
    // "é" against "e" shares nothing; one character each side, not two bytes against one.
    EXPECT_DOUBLE_EQ(StringSimilarity("caf\xC3\xA9", "cafe", 0), 6.0 / 8.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("\xE2\x82\xAC"
                                      "5",
                                      "\xE2\x82\xAC"
                                      "6",
                                      0),
                     0.5);
    // Bytes that are not UTF-8 still compare as themselves.
    EXPECT_DOUBLE_EQ(StringSimilarity("caf\xE9", "caf\xE9", 0), 1.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("caf\xE9", "caf\xC3\xA9", 0), 0.75);
}

TEST(StringSimilarity, AgreesWithTheReferenceOnRandomTexts) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::uniform_int_distribution<std::size_t> length(0, round % 3 == 0 ? 60 : 12);
        const char lastLetter = round % 2 == 0 ? 'b' : 'e';
        const std::string a = RandomText(random, length(random), lastLetter);
        const std::string b = RandomText(random, length(random), lastLetter);
        ASSERT_DOUBLE_EQ(StringSimilarity(a, b, 0), ReferenceSimilarity(a, b))
            << "'" << a << "' against '" << b << "'";
    }
}

TEST(StringSimilarity, LongTextsStayWithinBoundsAndNeverOverstate) {
    std::mt19937 random(7);
    const std::string a = RandomText(random, 1500, 'z');
    std::string b = a;
    for (std::size_t i = 0; i < b.size(); i += 7)
        b[i] = 'A'; // many small differences spread over the whole text
    const double exact = ReferenceSimilarity(a, b);
    const double found = StringSimilarity(a, b, 0);
    EXPECT_LE(found, exact + 1e-12);
    EXPECT_GT(found, exact - 0.05);

    const std::string unrelated = RandomText(random, 3000, 'z');
    const double far = StringSimilarity(unrelated, a, 0);
    EXPECT_GE(far, 0.0);
    EXPECT_LE(far, ReferenceSimilarity(unrelated, a) + 1e-12);
}

TEST(StringSimilarity, StopsEarlyBelowTheLowerBound) {
    // 0.25 similar: asking for at least 0.9 gives up with a result below the bound.
    const double stopped = StringSimilarity("abcdefgh", "aXXXXXXh", 0.9);
    EXPECT_LT(stopped, 0.9);
    EXPECT_GE(stopped, 0.0);
    EXPECT_DOUBLE_EQ(StringSimilarity("abcdefgh", "abcdefgX", 0.5), 14.0 / 16.0);
}

TEST(StringSimilarity, SeveralThreadsCanCompareAtOnce) {
    std::vector<std::thread> threads;
    std::vector<int> mismatches(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &mismatches] {
            std::mt19937 random(static_cast<unsigned>(t));
            for (int round = 0; round < 300; ++round) {
                const std::string a = RandomText(random, 30, 'd');
                const std::string b = RandomText(random, 40, 'd');
                if (StringSimilarity(a, b, 0) != ReferenceSimilarity(a, b))
                    ++mismatches[static_cast<std::size_t>(t)];
            }
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(4, 0));
}

} // namespace
} // namespace tunebay
