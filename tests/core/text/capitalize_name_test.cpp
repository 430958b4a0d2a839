#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

std::string Capitalized(std::string text, int mode = kCapitalizeFirstLetters,
                        const CapitalizeExceptionList* exceptions = nullptr) {
    CapitalizeName(text, mode, exceptions);
    return text;
}

std::string WithExceptions(std::string text, const CapitalizeExceptionList& exceptions) {
    return Capitalized(std::move(text), kCapitalizeFirstLetters, &exceptions);
}

TEST(CapitalizeName, FirstLettersOfWords) {
    EXPECT_EQ(Capitalized("hELLO wORLD"), "Hello World");
    EXPECT_EQ(Capitalized("hello-world"), "Hello-World");
    EXPECT_EQ(Capitalized("o'neil"), "O'neil");
    EXPECT_EQ(Capitalized("rock'n'roll"), "Rock'n'roll");
    EXPECT_EQ(Capitalized("2pac"), "2Pac"); // a digit passes the capital on
    EXPECT_EQ(Capitalized("a.b(c)d\te"), "A.B(C)D\tE");
    EXPECT_EQ(Capitalized(""), "");
}

TEST(CapitalizeName, NonAsciiLettersMapAndCount) {
    EXPECT_EQ(Capitalized("\xC3\x89"
                          "COLE DU MONDE"),
              "\xC3\x89"
              "cole Du Monde");
    EXPECT_EQ(Capitalized("\xC3\xA9t\xC3\xA9 \xC3\xA0 paris"), "\xC3\x89t\xC3\xA9 \xC3\x80 Paris");
    // Non-ASCII characters are word characters, so the capital stays with the first letter.
    EXPECT_EQ(Capitalized("\xC2\xBFqu\xC3\xA9?"), "\xC2\xBFQu\xC3\xA9?");
    EXPECT_EQ(Capitalized("\xE2\x82\xAC"
                          "uro"),
              "\xE2\x82\xAC"
              "Uro");
    // Bytes that are not UTF-8 survive and are treated like letters without case.
    EXPECT_EQ(Capitalized("caf\xE9 au lait"), "Caf\xE9 Au Lait");
    EXPECT_EQ(Capitalized("\xE9t\xE9"), "\xE9T\xE9");
}

TEST(CapitalizeName, UpperAndLowerModesIgnoreExceptions) {
    const CapitalizeExceptionList exceptions = {"McDonald", "Mc?"};
    EXPECT_EQ(Capitalized("mcdonald's \xC3\xA9t\xC3\xA9", kCapitalizeAllUppercase, &exceptions),
              "MCDONALD'S \xC3\x89T\xC3\x89");
    EXPECT_EQ(Capitalized("McDonald \xC3\x89T\xC3\x89", kCapitalizeAllLowercase, &exceptions),
              "mcdonald \xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Capitalized("Caf\xE9", kCapitalizeAllUppercase), "CAF\xE9");
    EXPECT_EQ(Capitalized("miXed", 7), "miXed");
}

TEST(CapitalizeName, PrefixAndWholeWordExceptions) {
    EXPECT_EQ(WithExceptions("mcdonald mcd", {"Mc?"}), "McDonald Mcd");
    EXPECT_EQ(WithExceptions("ac/dc", {"AC"}), "AC/Dc");
    EXPECT_EQ(WithExceptions("the mcdonald's", {"Mc?"}), "The McDonald's");
    // Entries are written as they stand, including their own capitals.
    EXPECT_EQ(WithExceptions("feat. somebody vs. nobody", {"feat", "vs"}),
              "feat. Somebody vs. Nobody");
    EXPECT_EQ(WithExceptions("o'connor", {"O'?"}), "O'Connor");
    EXPECT_EQ(WithExceptions("rock acdc", {"AC/DC"}), "Rock Acdc");
    EXPECT_EQ(Capitalized("mcdonald", kCapitalizeFirstLetters, nullptr), "Mcdonald");
}

TEST(CapitalizeName, FirstMatchingEntryWins) {
    EXPECT_EQ(WithExceptions("mcdonald", {"Mc?", "Mcdonald"}), "McDonald");
    EXPECT_EQ(WithExceptions("mcdonald", {"Mcdonald", "Mc?"}), "Mcdonald");
}

TEST(CapitalizeName, OnlyWordsOfTwoToSixtyFourCharactersTakePart) {
    EXPECT_EQ(WithExceptions("x y", {"x?", "X", "y"}), "X Y");
    EXPECT_EQ(WithExceptions("ab", {"AB"}), "AB");
    const std::string word64 = "mc" + std::string(62, 'x');
    const std::string word65 = "mc" + std::string(63, 'x');
    EXPECT_EQ(WithExceptions(word64, {"Mc?"}), "McX" + std::string(61, 'x'));
    EXPECT_EQ(WithExceptions(word65, {"Mc?"}), "Mc" + std::string(63, 'x'));
    // The limit counts characters: 64 two-byte letters still take part.
    std::string wide;
    for (int i = 0; i < 64; ++i)
        wide += "\xC3\xA9";
    EXPECT_EQ(WithExceptions(wide, {"\xC3\x89?"}), "\xC3\x89\xC3\x89" + wide.substr(4));
}

TEST(CapitalizeName, ExceptionsFoldOnlyAsciiLetters) {
    // After mode 0 the word reads "\xC3\x89t\xC3\xA9" (Été): the ASCII 't' matches either case,
    // the accented letters only exactly.
    EXPECT_EQ(WithExceptions("\xC3\xA9t\xC3\xA9", {"\xC3\x89T\xC3\xA9"}), "\xC3\x89T\xC3\xA9");
    EXPECT_EQ(WithExceptions("\xC3\xA9t\xC3\xA9", {"\xC3\x89T\xC3\x89"}), "\xC3\x89t\xC3\xA9");
    EXPECT_EQ(WithExceptions("\xC3\xA9t\xC3\xA9", {"\xC3\xA9t\xC3\xA9"}), "\xC3\x89t\xC3\xA9");
}

} // namespace
} // namespace tunebay
