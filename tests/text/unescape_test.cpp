#include "text/codepage.h"
#include "text/script_string.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

// GBK bytes used below: 你好 is C4 E3 BA C3, ’ is A1 AF, é is A8 A6, ， is A3 AC, ° is A1 E3.
const Text kNiHao("\xC4\xE3\xBA\xC3");
const Text kRightQuote("\xA1\xAF");

struct DecodeCase {
    VOKARI_PRINT_CASE_BY_NAME(DecodeCase)
    const char* name;
    Text input;
    Text expected;
};

class DecodePercentUTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(DecodePercentUTest, DecodesByteByByte) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(decodePercentU(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodePercentUTest,
    testing::Values(DecodeCase{"PercentU", "%u4F60%u597D", kNiHao}, DecodeCase{"PercentXX", "%41%42", "AB"},
                    DecodeCase{"PercentAtEnd", "100%", "100%"}, DecodeCase{"PercentAmongLastTwo", "50%4", "50%4"},
                    DecodeCase{"NulVanishes", "a%00b", "ab"},
                    DecodeCase{"LatinValueIsOneCharacter", "%B0", "\xA1\xE3"},
                    DecodeCase{"Utf8BytesStayApart", "%E4%BD%A0", "???"},
                    // Every %u with four hex digits decodes, letters first or not.
                    DecodeCase{"LetterFirst", "%uFF0C", "\xA3\xAC"}, DecodeCase{"ZerosThenLetter", "%u00E9", "\xA8\xA6"},
                    DecodeCase{"LowerCaseDigits", "%u4f60", "\xC4\xE3"},
                    // Four bytes that are not all hex digits: the "%" stays, the rest is plain text.
                    DecodeCase{"NotHexStaysText", "%u4G60x", "%u4G60x"}, DecodeCase{"NotHexAtEnd", "%uzzzz", "%uzzzz"},
                    // Too short for %u: the u and the byte after it are read as a %XX escape.
                    DecodeCase{"ShortPercentU", "%u4F6", "?F6"}, DecodeCase{"CapitalU", "%U4F60", "?F60"},
                    DecodeCase{"KeepsTwoByteCharacters", "\xC4\xE3%41", "\xC4\xE3" "A"},
                    DecodeCase{"LeadByteAtTheEnd", "%\xC4", "%\xC4"}, DecodeCase{"Empty", "", ""}),
    testing_support::caseName);

struct LiteralCase {
    VOKARI_PRINT_CASE_BY_NAME(LiteralCase)
    const char* name;
    std::u16string content;
    std::optional<std::u16string> value;
};

class SingleQuotedLiteralTest : public testing::TestWithParam<LiteralCase> {};

TEST_P(SingleQuotedLiteralTest, ResolvesTheEscapesOrRejects) {
    const LiteralCase& c = GetParam();
    EXPECT_EQ(resolveSingleQuotedLiteral(c.content), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SingleQuotedLiteralTest,
    testing::Values(
        LiteralCase{"Plain", u"abc", u"abc"}, LiteralCase{"ControlEscapes", uR"(\b\t\n\f\r)", u"\b\t\n\f\r"},
        LiteralCase{"QuotesAndBackslash", uR"(\"\'\\)", u"\"'\\"}, LiteralCase{"SlashLosesItsBackslash", uR"(a\/b)", u"a/b"},
        LiteralCase{"NoVerticalTabEscape", uR"(\v)", u"v"}, LiteralCase{"HexEscape", uR"(\x41)", u"A"},
        LiteralCase{"UnicodeEscape", uR"(\u4F60)", u"\u4F60"}, LiteralCase{"MalformedHexGivesLetter", uR"(\x4g)", u"x4g"},
        LiteralCase{"MalformedUnicodeGivesLetter", uR"(\u12)", u"u12"},
        LiteralCase{"OctalThreeDigits", uR"(\101)", u"A"}, LiteralCase{"OctalStopsAt0377", uR"(\400)", u" 0"},
        LiteralCase{"OctalZero", uR"(\0x)", std::u16string(u"\0x", 2)}, LiteralCase{"EightIsItself", uR"(\8)", u"8"},
        LiteralCase{"OtherCharacterIsItself", u"\\\u4F60\\q", u"\u4F60q"},
        LiteralCase{"LineContinuation", u"a\\\rb\\\r\nc\\\u2028d", u"abcd"},
        LiteralCase{"RawLineFeedRejected", u"a\nb", std::nullopt},
        LiteralCase{"RawCarriageReturnRejected", u"a\rb", std::nullopt},
        LiteralCase{"RawLineSeparatorRejected", u"a\u2029b", std::nullopt},
        LiteralCase{"FinalBackslashRejected", uR"(ab\)", std::nullopt},
        LiteralCase{"EscapedFinalBackslash", uR"(ab\\)", u"ab\\"},
        LiteralCase{"StrayQuoteRejected", u"a'+b", std::nullopt}),
    testing_support::caseName);

TEST(ScriptUnescape, DecodesOnlyWellFormedEscapes) {
    EXPECT_EQ(scriptUnescape(u"%u4F60%41"), u"\u4F60A");
    EXPECT_EQ(scriptUnescape(u"%u4f6%zz%4"), u"%u4f6%zz%4");
    EXPECT_EQ(scriptUnescape(u"%U4F60"), u"%U4F60");  // the u is lower case only
    EXPECT_EQ(scriptUnescape(u"%%41"), u"%A");
}

class UnescapeUnicodeTest : public testing::TestWithParam<DecodeCase> {};

TEST_P(UnescapeUnicodeTest, Decodes) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(unescapeUnicode(c.input), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UnescapeUnicodeTest,
    testing::Values(
        DecodeCase{"BackslashU", "\\u4f60\\u597d", kNiHao}, DecodeCase{"Empty", "", ""},
        DecodeCase{"ApostropheComesBack", "it's", "it's"}, DecodeCase{"LineBreakComesBack", "a\r\nb", "a\r\nb"},
        DecodeCase{"LineBreakMarkerBecomesLineBreak", "a{$}b", "a\r\nb"},
        DecodeCase{"QuoteMarkerBecomesApostrophe", "a" + kRightQuote, "a'"},
        DecodeCase{"DecodedQuoteBecomesApostrophe", "\\u2019", "'"},
        DecodeCase{"LeadingCarriageReturnDropped", "\r\\u4f60", "\xC4\xE3"},
        DecodeCase{"PercentEscapes", "%41%u4F60", "A\xC4\xE3"},
        DecodeCase{"LiteralEscapesResolved", "A\\/B \\x41\\\\", "A/B A\\"},
        DecodeCase{"EscapedBackslashBeforeU", "\\\\u4f60", "\xC4\xE3"},
        // The literal's value ends at a decoded NUL on the way back to GBK.
        DecodeCase{"DecodedNulEndsTheText", "a%00b", "a"},
        // The statement is rejected: the fallback decodes the prepared text,
        // its backslash sequences left as they are.
        DecodeCase{"LoneCarriageReturnFallsBack", "\\u4f60\\/\r", "\xC4\xE3\\/\r"},
        DecodeCase{"LineFeedFallsBack", "\\u4f60\n%41", "\xC4\xE3\nA"},
        DecodeCase{"FinalBackslashFallsBack", "\\u4f60\\", "\xC4\xE3\\"},
        DecodeCase{"EmptyResultFallsBack", "%00%41", "A"},
        // An apostrophe hidden behind an invalid lead byte escapes the marker
        // step; it must not end the literal, so the fallback takes over.
        DecodeCase{"QuoteBehindInvalidLeadByte", "\x81'%41", "\x81'A"}),
    testing_support::caseName);

}  // namespace
}  // namespace vokari
