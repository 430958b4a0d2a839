#include "text/text_rules.h"

#include <gtest/gtest.h>

namespace tunebay {
namespace {

std::string Corrected(std::string text, bool full = true) {
    CorrectName(text, full);
    return text;
}

TEST(CorrectName, WorkedExamples) {
    EXPECT_EQ(Corrected("01_my_song_(2)"), "my song");
    EXPECT_EQ(Corrected("Tom&Jerry,live"), "Tom & Jerry, live");
    EXPECT_EQ(Corrected("Hello%20World!!s"), "Hello World");
    EXPECT_EQ(Corrected("abc (12)"), "abc");
}

TEST(CorrectName, BasicRulesHandleSpacing) {
    EXPECT_EQ(Corrected("   "), "");
    EXPECT_EQ(Corrected("", false), "");
    EXPECT_EQ(Corrected("_a__b_", false), "a b");
    // Spaces added around an ampersand join those already there, and runs are halved once.
    EXPECT_EQ(Corrected("a_&_b", false), "a & b");
    EXPECT_EQ(Corrected("a__&__b", false), "a  &  b");
    EXPECT_EQ(Corrected("a    b", false), "a  b");
    EXPECT_EQ(Corrected("\t a,b \r\n", false), "a, b");
    EXPECT_EQ(Corrected("Don\xC2\xB4t", false), "Don't");
}

TEST(CorrectName, BasicRulesLeaveTitleRulesAlone) {
    EXPECT_EQ(Corrected("07 Intro (2)!!s%41", false), "07 Intro (2)!!s%41");
}

TEST(CorrectName, SuffixAndCounterNeedMoreThanFourCharacters) {
    EXPECT_EQ(Corrected("a(1)"), "a(1)");
    EXPECT_EQ(Corrected("x!!s"), "x!!s");
    EXPECT_EQ(Corrected("ab(1)"), "ab");
    EXPECT_EQ(Corrected("ab (1)"), "ab");
    EXPECT_EQ(Corrected("Song (123)"), "Song (123)");
    EXPECT_EQ(Corrected("Song (x)"), "Song (x)");
    // Lengths count characters, not bytes.
    EXPECT_EQ(Corrected("\xC3\xA9(1)"), "\xC3\xA9(1)");
    EXPECT_EQ(Corrected("\xC3\xA9\xC3\xA9(1)"), "\xC3\xA9\xC3\xA9");
}

TEST(CorrectName, LeadingTrackNumber) {
    EXPECT_EQ(Corrected("07 A"), "A");
    EXPECT_EQ(Corrected("07 Intro"), "Intro");
    EXPECT_EQ(Corrected("07A"), "07A");
    EXPECT_EQ(Corrected("7 Intro"), "7 Intro");
    EXPECT_EQ(Corrected("07 "), "07"); // trimmed to two characters before the rule looks
    EXPECT_EQ(Corrected("07  Intro"), "Intro");
}

TEST(CorrectName, PercentEscapes) {
    EXPECT_EQ(Corrected("100%"), "100%");
    EXPECT_EQ(Corrected("%41%42"), "AB");
    EXPECT_EQ(Corrected("%%41"), "%A");
    EXPECT_EQ(Corrected("%zz"), "%zz");
    EXPECT_EQ(Corrected("%4"), "%4");
    EXPECT_EQ(Corrected("%2541"), "%41");     // a decoded percent sign is not decoded again
    EXPECT_EQ(Corrected("Song%20"), "Song "); // no trimming afterwards
    EXPECT_EQ(Corrected("a%00b"), "ab");
}

TEST(CorrectName, PercentEscapesReadUtf8OrElseWindows1252) {
    EXPECT_EQ(Corrected("Caf%C3%A9"), "Caf\xC3\xA9");
    EXPECT_EQ(Corrected("Caf%c3%a9"), "Caf\xC3\xA9");
    EXPECT_EQ(Corrected("Caf%E9"), "Caf\xC3\xA9");
    EXPECT_EQ(Corrected("%80 %E9t%E9"), "\xE2\x82\xAC \xC3\xA9t\xC3\xA9");
    // A run is judged as a whole: this one is not UTF-8, so each byte is a Windows character.
    EXPECT_EQ(Corrected("%C3%A9%E9"), "\xC3\x83\xC2\xA9\xC3\xA9");
}

TEST(CorrectName, KeepsNonAsciiAndInvalidBytes) {
    EXPECT_EQ(Corrected("\xC3\x89"
                        "cole_d'\xC3\xA9t\xC3\xA9"),
              "\xC3\x89"
              "cole d'\xC3\xA9t\xC3\xA9");
    EXPECT_EQ(Corrected("Caf\xE9_au_lait"), "Caf\xE9 au lait");
    EXPECT_EQ(Corrected("\xFF\xFE"), "\xFF\xFE");
}

} // namespace
} // namespace tunebay
