#include "text/codepage.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <memory>

namespace vokari {
namespace {

// GBK bytes used below: 你 is C4 E3 (U+4F60), é is A8 A6, à is A8 A4, ， is A3 AC.
const Text kNi("\xC4\xE3");

Bytes bytes(std::initializer_list<unsigned char> list) { return Bytes(list.begin(), list.end()); }

struct WideCase {
    VOKARI_PRINT_CASE_BY_NAME(WideCase)
    const char* name;
    Text text;
    bool dropTerminator;
    Bytes expected;
};

class AnsiToWideTest : public testing::TestWithParam<WideCase> {};

TEST_P(AnsiToWideTest, GivesLittleEndianUnits) {
    const WideCase& c = GetParam();
    EXPECT_EQ(ansiToWide(c.text, c.dropTerminator), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AnsiToWideTest,
    testing::Values(WideCase{"EmptyHasNoTerminator", "", false, Bytes()},
                    WideCase{"Letter", "A", false, bytes({0x41, 0, 0, 0})},
                    WideCase{"LetterDropped", "A", true, bytes({0x41, 0})},
                    WideCase{"TwoByteCharacter", kNi, false, bytes({0x60, 0x4F, 0, 0})},
                    WideCase{"EuroAt0x80", "\x80", true, bytes({0xAC, 0x20})},
                    // Invalid GBK is substituted, never read past: a lead byte at the end,
                    // and a lead byte whose next byte cannot be a trail byte.
                    WideCase{"LoneLeadByteAtEnd", "A\x81", true, bytes({0x41, 0, 0xFD, 0xFF})},
                    WideCase{"LeadByteBeforeDigit", "\x81" "0", true, bytes({0xFD, 0xFF, 0x30, 0})}),
    testing_support::caseName);

struct AnsiCase {
    VOKARI_PRINT_CASE_BY_NAME(AnsiCase)
    const char* name;
    Bytes utf16;
    Text expected;
};

class WideToAnsiTest : public testing::TestWithParam<AnsiCase> {};

TEST_P(WideToAnsiTest, ConvertsUpToTheFirstNul) {
    const AnsiCase& c = GetParam();
    EXPECT_EQ(wideToAnsi(c.utf16), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WideToAnsiTest,
    testing::Values(AnsiCase{"NoTerminator", bytes({0x41, 0, 0x42, 0}), "AB"},
                    AnsiCase{"StopsAtNul", bytes({0x41, 0, 0, 0, 0x42, 0}), "A"},
                    AnsiCase{"OddByteIgnored", bytes({0x41, 0, 0x42}), "A"},
                    AnsiCase{"Empty", Bytes(), ""},
                    AnsiCase{"TwoByteCharacter", bytes({0x60, 0x4F}), kNi},
                    AnsiCase{"MissingCharacterIsQuestionMark", bytes({0x5C, 0xD5}), "?"},  // Korean 한
                    AnsiCase{"UnpairedSurrogate", bytes({0x00, 0xD8, 0x41, 0}), "?A"},
                    AnsiCase{"CharacterOutsideTheBmp", bytes({0x3D, 0xD8, 0x00, 0xDE, 0x41, 0}), "?A"},
                    // Decomposed é is composed first, since GBK holds the precomposed letter.
                    AnsiCase{"ComposesBaseAndMark", bytes({0x65, 0, 0x01, 0x03}), "\xA8\xA6"},
                    AnsiCase{"BestFitStandIn", bytes({0xC0, 0x00}), "\xA8\xA4"}),  // À as à
    testing_support::caseName);

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// Every two-byte character code page 936 defines must survive the trip to
// UTF-16 and back unchanged; ICU itself says which pairs are characters.
TEST(CodePageRoundTrip, EveryTwoByteCharacterSurvives) {
    UErrorCode error = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> icu(ucnv_open("windows-936", &error));
    ASSERT_TRUE(U_SUCCESS(error));
    ucnv_setToUCallBack(icu.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &error);
    int characters = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F) continue;
            const char pair[] = {static_cast<char>(lead), static_cast<char>(trail)};
            UChar unit[4];
            error = U_ZERO_ERROR;
            const int32_t length = ucnv_toUChars(icu.get(), unit, 4, pair, 2, &error);
            if (U_FAILURE(error) || length != 1 || unit[0] == 0xFFFD) continue;
            ++characters;
            const Text text(std::string_view(pair, 2));
            ASSERT_EQ(wideToAnsi(ansiToWide(text)), text) << std::hex << lead << ' ' << trail;
        }
    }
    EXPECT_GT(characters, 20000);  // the enumeration really met the code page
}

struct HexCase {
    VOKARI_PRINT_CASE_BY_NAME(HexCase)
    const char* name;
    Text digits;
    std::int64_t expected;
};

class HexToNumberTest : public testing::TestWithParam<HexCase> {};

TEST_P(HexToNumberTest, ReadsTheLastSixteenBytes) {
    const HexCase& c = GetParam();
    EXPECT_EQ(hexToNumber(c.digits), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HexToNumberTest,
    testing::Values(HexCase{"Upper", "4F60", 0x4F60}, HexCase{"Lower", "ff", 255}, HexCase{"Empty", "", 0},
                    HexCase{"AllBitsSet", "FFFFFFFFFFFFFFFF", -1},
                    HexCase{"HighWord", "100000000", 0x100000000LL},
                    HexCase{"SeventeenDigitsKeepTheLast16", "10000000000000001", 1},
                    HexCase{"GIsSixteen", "G", 16}, HexCase{"OneGIsThirtyTwo", "1G", 32},
                    // A space is worth -16; the low word wraps modulo 2^32 and the high word stays 0.
                    HexCase{"SpaceWrapsTheLowWord", " ", 0xFFFFFFF0LL},
                    HexCase{"ByteAbove0x7F", "\xFF", 0xFF - 87}),
    testing_support::caseName);

TEST(CodeValueToText, ReadsTheValueAsFourUnits) {
    EXPECT_EQ(codeValueToText(0x4F60), kNi);
    EXPECT_EQ(codeValueToText(0x41), Text("A"));
    EXPECT_EQ(codeValueToText(0), Text(""));
    EXPECT_EQ(codeValueToText(0x00420041), Text("AB"));           // units 0041 0042
    EXPECT_EQ(codeValueToText(0x0043000000000041LL), Text("A"));  // ends at the first NUL unit
    EXPECT_EQ(codeValueToText(0xB0), Text("\xA1\xE3"));           // °
}

}  // namespace
}  // namespace vokari
