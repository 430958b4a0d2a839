#include "tools/acoustic_duplicates.h"

#include "support/catalogue_builder.h"
#include "support/temp_catalogue.h"
#include "support/tone_mp3.h"
#include "tools/audio_fingerprint.h"
#include "tools/stored_fingerprints.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

using test::ToneRecipe;

class AcousticDuplicatesTest : public ::testing::Test {
protected:
    test::AddedItem add(const std::string& name, const ToneRecipe& recipe) {
        files.write(name, test::toneMp3(recipe));
        return builder.add(
            {.title = name, .directory = files.path().string() + "/", .fileName = name});
    }
    std::vector<std::pair<int, int>> pairs(double threshold) {
        const auto collection = CollectFingerprints(catalogue.connection, {}, {});
        std::vector<std::pair<int, int>> found;
        for (const auto& match : FindAcousticDuplicates(collection.media, threshold))
            found.emplace_back(match.firstMediaId, match.secondMediaId);
        return found;
    }

    test::TempCatalogue catalogue;
    test::CatalogueBuilder builder{catalogue.connection};
    test::TempDir files;
};

TEST_F(AcousticDuplicatesTest, TheSameTuneIsFoundShiftedAndLongerButNotAnotherTune) {
    const auto tune = add("a.mp3", {7, 20, 0});
    const auto other = add("b.mp3", {8, 20, 0});
    const auto shifted = add("c.mp3", {7, 25, 37});
    const std::vector<std::pair<int, int>> expected{{tune.mediaId, shifted.mediaId}};
    EXPECT_EQ(pairs(0.9), expected);
    EXPECT_EQ(pairs(0.5), expected);
    EXPECT_TRUE(pairs(0.99).empty());
    (void)other;
}

TEST_F(AcousticDuplicatesTest, FingerprintsAreStoredOnceAndReused) {
    const auto tune = add("a.mp3", {7, 20, 0});
    builder.add({.title = "gone", .directory = files.path().string() + "/", .fileName = "x.mp3"});
    const auto first = CollectFingerprints(catalogue.connection, {}, {});
    EXPECT_EQ(first.generated, 1);
    ASSERT_EQ(first.failed.size(), 1u);
    EXPECT_EQ(first.failed[0], files.file("x.mp3").string());
    std::filesystem::remove(files.file("a.mp3"));
    const auto again = CollectFingerprints(catalogue.connection, {}, {});
    EXPECT_EQ(again.generated, 0);
    ASSERT_EQ(again.media.size(), 1u);
    EXPECT_EQ(again.media[0].mediaId, tune.mediaId);
    EXPECT_EQ(again.media[0].raw, first.media[0].raw);
    EXPECT_EQ(catalogue.scalar("SELECT COUNT(*) FROM tblOptional WHERE lOptionalTypeID=" +
                               std::to_string(kOptionalRawFingerprint)),
              "1");
}

TEST(AlignedSimilarityTest, CountsEqualBitsOverTheOverlap) {
    std::vector<uint32_t> a(100, 0u);
    std::vector<uint32_t> b(100, 0u);
    EXPECT_DOUBLE_EQ(AlignedSimilarity(a, b, 0), 1.0);
    for (auto& value : b)
        value = 0xFFFF0000u;
    EXPECT_DOUBLE_EQ(AlignedSimilarity(a, b, 0), 0.5);
    EXPECT_DOUBLE_EQ(AlignedSimilarity(a, b, 60), 0.0); // 40 in common is too little
}

} // namespace
} // namespace tunebay
