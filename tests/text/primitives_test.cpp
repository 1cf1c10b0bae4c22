#include "text/text.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace vokari {
namespace {

// GBK bytes used below: 中 is D6 D0, 文 is CE C4, and the full-width space is A1 A1.
const Text kZhong("\xD6\xD0");
const Text kFullWidthSpace("\xA1\xA1");

TEST(TextModel, NothingAfterAZeroByteBelongsToTheText) {
    EXPECT_EQ(Text(std::string("ab\0cd", 5)), Text("ab"));
    EXPECT_EQ(textLength(Text(std::string_view("\0x", 2))), 0);
    EXPECT_EQ(bytesToText(Bytes("a\0b", 3)), Text("a"));
    EXPECT_EQ(textToBytes(Text("ab")), Bytes("ab"));
}

struct FindCase {
    VOKARI_PRINT_CASE_BY_NAME(FindCase)
    const char* name;
    Text text;
    Text sub;
    int start;
    bool ignoreCase;
    int expected;
};

class FindTextTest : public testing::TestWithParam<FindCase> {};

TEST_P(FindTextTest, FindsTheFirstAlignedOccurrence) {
    const FindCase& c = GetParam();
    EXPECT_EQ(findText(c.text, c.sub, c.start, c.ignoreCase), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FindTextTest,
    testing::Values(FindCase{"FromStart4", "abcabc", "c", 4, false, 6}, FindCase{"Missing", "abc", "x", 1, false, -1},
                    FindCase{"StartPastEnd", "abc", "a", 4, false, -1}, FindCase{"EmptySubIsOne", "abc", "", 2, false, 1},
                    FindCase{"EmptyBoth", "", "", 1, false, -1}, FindCase{"EmptySubPastEnd", "abc", "", 9, false, -1},
                    FindCase{"StartBelowOne", "abc", "a", -5, false, 1},
                    FindCase{"IgnoreCase", "ABC", "b", 1, true, 2}, FindCase{"CaseCounts", "ABC", "b", 1, false, -1},
                    // D6 D0 holds no 'D0 D6': the walk never starts on the trail byte.
                    FindCase{"NotOnTrailByte", Text("\xD6\xD0\xD6\xD0"), Text("\xD0\xD6"), 1, false, -1},
                    // The trail byte 0x41 ('A') of 81 41 is not the letter A.
                    FindCase{"TrailByteLooksLikeLetter", Text("\x81" "AA"), "A", 1, false, 3},
                    // Starting on a trail byte makes it a character of its own.
                    FindCase{"StartOnTrailByte", Text("\x81" "AA"), "A", 2, false, 2},
                    FindCase{"SubLongerThanText", "ab", "abc", 1, false, -1},
                    FindCase{"AfterTwoByteChars", Text("\xD6\xD0\xCE\xC4x"), "x", 1, false, 5},
                    // Long enough for the sixteen-byte scan, with near misses before the match.
                    FindCase{"FoldedFarAhead", "sonGnamx songnamE\"x:SongName\":x", "songname\":", 1, true, 21},
                    FindCase{"FoldedNonLetterFirst", "..........[X]....[x]", "[x]", 12, true, 18},
                    FindCase{"FoldedTrailByteNotLetter", Text("\x81s\x81S......sS"), "s", 1, true, 11}),
    testing_support::caseName);

TEST(FindTextReverse, FindsTheLastOccurrenceBeforeStart) {
    EXPECT_EQ(findTextReverse("abcabc", "bc"), 5);
    EXPECT_EQ(findTextReverse("abcabc", "bc", 5), 2);
    EXPECT_EQ(findTextReverse("abcabc", "bc", 1), -1);
    EXPECT_EQ(findTextReverse("abcabc", "bc", 100), 5);
    EXPECT_EQ(findTextReverse("aaa", "aa"), 2);  // the walk visits overlapping matches
    EXPECT_EQ(findTextReverse("a.b.c", "."), 4);
    EXPECT_EQ(findTextReverse("abc", ""), 1);
    EXPECT_EQ(findTextReverse("", ""), -1);
    EXPECT_EQ(findTextReverse("ABC", "b", std::nullopt, true), 2);
    EXPECT_EQ(findTextReverse(Text("\xD6\xD0\xD6\xD0"), Text("\xD0\xD6")), -1);
}

TEST(ByteCuts, CountBytesAndStopAtTheEdges) {
    EXPECT_EQ(textMid("abc", 2, 10), Text("bc"));
    EXPECT_EQ(textMid("abc", 4, 1), Text(""));
    EXPECT_EQ(textMid("abc", 0, 2), Text(""));
    EXPECT_EQ(textMid("abc", 1, 0), Text(""));
    EXPECT_EQ(textLeft("abc", 0), Text(""));
    EXPECT_EQ(textLeft("abc", 2), Text("ab"));
    EXPECT_EQ(textLeft("abc", 9), Text("abc"));
    EXPECT_EQ(textRight("abc", 2), Text("bc"));
    EXPECT_EQ(textRight("abc", 9), Text("abc"));
    EXPECT_EQ(textRight("abc", -1), Text(""));
    EXPECT_EQ(textLeft(kZhong, 1), Text("\xD6"));  // may cut a character in two
}

struct ReplaceCase {
    VOKARI_PRINT_CASE_BY_NAME(ReplaceCase)
    const char* name;
    Text text, find, replacement;
    int start;
    std::optional<int> count;
    bool caseSensitive;
    Text expected;
};

class ReplaceTextTest : public testing::TestWithParam<ReplaceCase> {};

TEST_P(ReplaceTextTest, Replaces) {
    const ReplaceCase& c = GetParam();
    EXPECT_EQ(replaceText(c.text, c.find, c.replacement, c.start, c.count, c.caseSensitive), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplaceTextTest,
    testing::Values(
        ReplaceCase{"AllFolded", "aXbxc", "x", "-", 1, std::nullopt, false, "a-b-c"},
        ReplaceCase{"CaseSensitive", "aXbxc", "x", "-", 1, std::nullopt, true, "aXb-c"},
        ReplaceCase{"CountOne", "aXbxc", "x", "-", 1, 1, false, "a-bxc"},
        ReplaceCase{"FromStart3", "aXbxc", "x", "-", 3, std::nullopt, false, "aXb-c"},
        ReplaceCase{"ReplacementOmitted", "aXbxc", "x", "", 1, std::nullopt, false, "abc"},
        ReplaceCase{"CountZeroUnchanged", "axa", "x", "-", 1, 0, false, "axa"},
        ReplaceCase{"StartPastEnd", "axa", "x", "-", 4, std::nullopt, false, "axa"},
        ReplaceCase{"EmptyFind", "axa", "", "-", 1, std::nullopt, false, "axa"},
        ReplaceCase{"NormalisesSpelling", "set-cookie: a\r\nSET-COOKIE: b", "Set-Cookie", "Set-Cookie", 1,
                    std::nullopt, false, "Set-Cookie: a\r\nSet-Cookie: b"},
        ReplaceCase{"MatchesDoNotOverlap", "aaaa", "aa", "b", 1, std::nullopt, true, "bb"},
        ReplaceCase{"SkipsTrailBytes", Text("\xD6\xD0\xD6\xD0"), Text("\xD0\xD6"), "x", 1, std::nullopt, true,
                    Text("\xD6\xD0\xD6\xD0")},
        ReplaceCase{"GrowingReplacement", "a.b.c", ".", "...", 1, std::nullopt, true, "a...b...c"}),
    testing_support::caseName);

TEST(SplitText, KeepsInnerEmptyPiecesAndDropsAnEmptyTail) {
    EXPECT_EQ(splitText("a,,b"), (TextList{"a", "", "b"}));
    EXPECT_EQ(splitText(",a"), (TextList{"", "a"}));
    EXPECT_EQ(splitText("a,"), (TextList{"a"}));
    EXPECT_EQ(splitText("a,b,c", ",", 2), (TextList{"a", "b"}));
    EXPECT_EQ(splitText("a,b,c", ",", 0), TextList{});
    EXPECT_EQ(splitText(""), TextList{});
    EXPECT_EQ(splitText("abc", ""), (TextList{"abc"}));
    EXPECT_EQ(splitText("a\r\nb\r\n", "\r\n"), (TextList{"a", "b"}));
    EXPECT_EQ(splitText("aXbxc", "x"), (TextList{"aXb", "c"}));  // case counts
}

TEST(Spaces, OnlyAsciiAndFullWidthSpacesCount) {
    EXPECT_EQ(trimSpaces("\t a \t"), Text("\t a \t"));
    EXPECT_EQ(trimSpaces("  a b  "), Text("a b"));
    EXPECT_EQ(trimSpaces(kFullWidthSpace + "a" + kFullWidthSpace), Text("a"));
    EXPECT_EQ(trimSpaces("   "), Text(""));
    // B0 A1 is one character; the A1 A1 that a byte scan would see across it is no space.
    EXPECT_EQ(trimSpaces(Text("\xB0\xA1\xA1")), Text("\xB0\xA1\xA1"));
    EXPECT_EQ(trimSpaces(Text("x\xB0\xA1")), Text("x\xB0\xA1"));
    EXPECT_EQ(trimSpaces(Text("a\xA1 ")), Text("a\xA1 "));  // A1 20 is one character, not a space
    EXPECT_EQ(trimSpaces(Text(" \xD6\xD0 b \xA1\xA1 ")), Text("\xD6\xD0 b"));
    EXPECT_EQ(trimSpaces(Text("a\xB0")), Text("a\xB0"));  // a lone lead byte at the end stays
    EXPECT_EQ(removeSpaces(" a b" + kFullWidthSpace + "c "), Text("abc"));
    EXPECT_EQ(removeSpaces(Text("\xB0\xA1\xA1\xA1")), Text("\xB0\xA1"));
}

TEST(ToLowerCase, FoldsOneByteLettersOnly) {
    EXPECT_EQ(toLowerCase("HeLLo-123"), Text("hello-123"));
    EXPECT_EQ(toLowerCase(Text("\x81" "AB")), Text("\x81" "Ab"));
}

TEST(SmallMakers, SpacesZerosAndCodes) {
    EXPECT_EQ(spaceText(3), Text("   "));
    EXPECT_EQ(spaceText(-1), Text(""));
    EXPECT_EQ(zeroBytes(2), Bytes(2, '\0'));
    EXPECT_EQ(zeroBytes(0), Bytes());
    EXPECT_EQ(charFromCode(9), Text("\t"));
    EXPECT_EQ(charFromCode(0), Text(""));
    EXPECT_EQ(charFromCode(0xB0), Text("\xB0"));
}

TEST(NumberToText, UsesTheFormatOfItsType) {
    EXPECT_EQ(numberToText(42), Text("42"));
    EXPECT_EQ(numberToText(-7), Text("-7"));
    EXPECT_EQ(numberToText(0.0), Text("0"));
    EXPECT_EQ(numberToText(2.0), Text("2"));
    EXPECT_EQ(numberToText(1.75f), Text("1.75"));
    EXPECT_EQ(numberToText(1.0f / 3.0f), Text("0.333333"));
    EXPECT_EQ(numberToText(1.0 / 3.0), Text("0.3333333333333"));
}

struct NumberCase {
    VOKARI_PRINT_CASE_BY_NAME(NumberCase)
    const char* name;
    Text text;
    double number;
    std::int32_t integer;
};

class TextToNumberTest : public testing::TestWithParam<NumberCase> {};

TEST_P(TextToNumberTest, ReadsTheLeadingNumber) {
    const NumberCase& c = GetParam();
    EXPECT_DOUBLE_EQ(textToNumber(c.text), c.number);
    EXPECT_EQ(textToInteger(c.text), c.integer);
}

INSTANTIATE_TEST_SUITE_P(
    Table, TextToNumberTest,
    testing::Values(NumberCase{"Plain", "35", 35, 35}, NumberCase{"TrailingText", "35abc", 35, 35},
                    NumberCase{"TrailingSpace", "35 ", 35, 35}, NumberCase{"LeadingBlanks", " \t 12", 12, 12},
                    NumberCase{"Negative", "-4", -4, -4}, NumberCase{"Plus", "+4", 4, 4},
                    NumberCase{"Fraction", "2.5x", 2.5, 2}, NumberCase{"Exponent", "1e3", 1000, 1},
                    NumberCase{"DanglingExponent", "7e", 7, 7}, NumberCase{"LeadingPoint", ".5", 0.5, 0},
                    NumberCase{"Empty", "", 0, 0}, NumberCase{"NoNumber", "abc", 0, 0},
                    NumberCase{"SignOnly", "-", 0, 0}, NumberCase{"Hex", "0x10", 0, 0},
                    NumberCase{"FullWidthDigits", Text("\xA3\xB1\xA3\xB2"), 12, 12},
                    NumberCase{"FullWidthSign", Text("\xA3\xAD\xA3\xB3"), -3, -3},
                    NumberCase{"FullWidthSpaceSkipped", Text("\xA1\xA1" "5"), 5, 5},
                    NumberCase{"IntegerSaturatesHigh", "99999999999", 99999999999.0, 2147483647},
                    NumberCase{"IntegerSaturatesLow", "-99999999999", -99999999999.0, -2147483647 - 1}),
    testing_support::caseName);

TEST(TextToNumber, HugeExponentIsInfinite) {
    EXPECT_TRUE(std::isinf(textToNumber("1e999")));
    EXPECT_EQ(textToNumber("1e-999"), 0.0);
}

TEST(FloorToInteger, RoundsDownAndSaturates) {
    EXPECT_EQ(floorToInteger(1.5), 1);
    EXPECT_EQ(floorToInteger(-1.5), -2);
    EXPECT_EQ(floorToInteger(2.0), 2);
    EXPECT_EQ(floorToInteger(1.9999999999995), 2);  // a fraction this close to one rounds up
    EXPECT_EQ(floorToInteger(1.99999), 1);
    EXPECT_EQ(floorToInteger(1e20), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(floorToInteger(-1e20), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(floorToInteger(std::numeric_limits<double>::infinity()), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(floorToInteger(std::nan("")), 0);
}

}  // namespace
}  // namespace vokari
