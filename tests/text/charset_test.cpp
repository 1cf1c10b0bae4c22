#include "text/charset.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

namespace vokari {
namespace {

// The bytes ICU itself gives for `text` in the charset `icuName`: the fixtures
// below are written as Unicode text and encoded here rather than typed in hex.
std::string encodeWithIcu(const char* icuName, std::u16string_view text) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(icuName, &error);
    EXPECT_TRUE(U_SUCCESS(error)) << icuName;
    if (U_FAILURE(error)) return {};
    std::string out(text.size() * 4 + 16, '\0');
    const int32_t length = ucnv_fromUChars(converter, out.data(), static_cast<int32_t>(out.size()), text.data(),
                                           static_cast<int32_t>(text.size()), &error);
    ucnv_close(converter);
    out.resize(static_cast<std::size_t>(length));
    return out;
}

std::string gbk(std::u16string_view text) { return encodeWithIcu("windows-936", text); }

struct LabelCase {
    VOKARI_PRINT_CASE_BY_NAME(LabelCase)
    const char* name;
    Text label;
    std::optional<std::string> encoding;
};

class ResolveCharsetLabelTest : public testing::TestWithParam<LabelCase> {};

TEST_P(ResolveCharsetLabelTest, ResolvesAsBrowsersDo) {
    const LabelCase& c = GetParam();
    EXPECT_EQ(resolveCharsetLabel(c.label), c.encoding);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResolveCharsetLabelTest,
    testing::Values(LabelCase{"Gb2312", "gb2312", "GBK"}, LabelCase{"XGbkPadded", " \tX-GBK\r\n", "GBK"},
                    LabelCase{"Chinese", "chinese", "GBK"}, LabelCase{"IsoIr58", "ISO-IR-58", "GBK"},
                    LabelCase{"Gb18030", "gb18030", "gb18030"}, LabelCase{"Utf8", "utf8", "UTF-8"},
                    LabelCase{"Unicode11", "unicode-1-1-utf-8", "UTF-8"}, LabelCase{"Latin1", "latin1", "windows-1252"},
                    LabelCase{"Ascii", "us-ascii", "windows-1252"}, LabelCase{"Sjis", "sjis", "Shift_JIS"},
                    LabelCase{"Big5Hkscs", "big5-hkscs", "Big5"}, LabelCase{"Korean", "korean", "EUC-KR"},
                    LabelCase{"Utf16IsLittleEndian", "utf-16", "UTF-16LE"}, LabelCase{"Utf16Be", "UTF-16BE", "UTF-16BE"},
                    LabelCase{"ReplacementLabel", "iso-2022-kr", std::nullopt},
                    LabelCase{"ReplacementItself", "replacement", std::nullopt},
                    LabelCase{"Unknown", "gbk2312", std::nullopt}, LabelCase{"InnerSpace", "utf 8", std::nullopt},
                    LabelCase{"Empty", "", std::nullopt}),
    testing_support::caseName);

// One label of every encoding the table knows: ICU (or our own table) must
// really decode each of them, or a page in that charset would be lost.
TEST(DecodeToGbk, EveryKnownEncodingDecodes) {
    for (const char* label : {"utf-8", "ibm866", "iso-8859-2", "iso-8859-3", "iso-8859-4", "iso-8859-5", "iso-8859-6",
                              "iso-8859-7", "iso-8859-8", "iso-8859-8-i", "iso-8859-10", "iso-8859-13", "iso-8859-14",
                              "iso-8859-15", "iso-8859-16", "koi8-r", "koi8-u", "macintosh", "windows-874",
                              "windows-1250", "windows-1251", "windows-1252", "windows-1253", "windows-1254",
                              "windows-1255", "windows-1256", "windows-1257", "windows-1258", "x-mac-cyrillic", "gbk",
                              "gb18030", "big5", "euc-jp", "iso-2022-jp", "shift_jis", "euc-kr", "x-user-defined"}) {
        EXPECT_EQ(decodeToGbk("page", label), std::optional<Text>("page")) << label;
    }
    EXPECT_EQ(decodeToGbk(Bytes("p\0a\0g\0e\0", 8), "utf-16le"), std::optional<Text>("page"));
    EXPECT_EQ(decodeToGbk(Bytes("\0p\0a\0g\0e", 8), "utf-16be"), std::optional<Text>("page"));
}

struct PageCase {
    VOKARI_PRINT_CASE_BY_NAME(PageCase)
    const char* name;
    const char* label;
    const char* icuName;  // how the fixture is encoded
    std::u16string text;
};

class DecodePageTest : public testing::TestWithParam<PageCase> {};

TEST_P(DecodePageTest, ComesBackAsGbk) {
    const PageCase& c = GetParam();
    EXPECT_EQ(decodeToGbk(encodeWithIcu(c.icuName, c.text), c.label), std::optional<Text>(gbk(c.text)));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DecodePageTest,
    testing::Values(PageCase{"Utf8", "utf-8", "UTF-8", u"<title>你好, world é</title>"},
                    PageCase{"GbkUpperCase", "GBK", "windows-936", u"中文 ，。€"},
                    PageCase{"Gb18030", "gb18030", "gb18030", u"中文歌曲"},
                    PageCase{"Big5", "big5", "windows-950", u"繁體中文"},
                    PageCase{"ShiftJis", "shift_jis", "windows-31j", u"日本の歌"},
                    PageCase{"Windows1252", "windows-1252", "windows-1252", u"café"},
                    PageCase{"Utf16LittleEndian", "utf-16le", "UTF-16LE", u"A你好"},
                    PageCase{"Utf16BigEndian", "utf-16be", "UTF-16BE", u"A你好"}),
    testing_support::caseName);

TEST(DecodeToGbk, Latin1IsReadAsWindows1252) {
    EXPECT_EQ(decodeToGbk("\x80 caf\xE9", "iso-8859-1"), std::optional<Text>(gbk(u"€ café")));
}

TEST(DecodeToGbk, ZeroBytesInTheBodyAreConvertedNotCut) {
    // UTF-16 "A你" holds a zero byte in its second position.
    EXPECT_EQ(decodeToGbk(Bytes("A\0\x60\x4F", 4), "utf-16le"), std::optional<Text>(gbk(u"A你")));
    // A real NUL character decodes too, and the text ends there as every Text does.
    EXPECT_EQ(decodeToGbk(Bytes("ab\0cd", 5), "utf-8"), std::optional<Text>("ab"));
}

TEST(DecodeToGbk, ByteOrderMarkIsDroppedAndWins) {
    EXPECT_EQ(decodeToGbk("\xFF\xFE" + encodeWithIcu("UTF-16LE", u"你好"), "utf-16"), std::optional<Text>(gbk(u"你好")));
    EXPECT_EQ(decodeToGbk("\xEF\xBB\xBF" + encodeWithIcu("UTF-8", u"你好"), "utf-8"), std::optional<Text>(gbk(u"你好")));
    // A browser trusts the mark over the declaration.
    EXPECT_EQ(decodeToGbk("\xEF\xBB\xBF" + encodeWithIcu("UTF-8", u"你好"), "windows-1252"),
              std::optional<Text>(gbk(u"你好")));
    EXPECT_EQ(decodeToGbk("\xFE\xFF" + encodeWithIcu("UTF-16BE", u"你"), "utf-8"), std::optional<Text>(gbk(u"你")));
}

TEST(DecodeToGbk, WhatGbkCannotHoldBecomesAQuestionMark) {
    EXPECT_EQ(decodeToGbk(encodeWithIcu("UTF-8", u"a한😀b"), "utf-8"), std::optional<Text>("a??b"));
    EXPECT_EQ(decodeToGbk("a\xFF" "b\xE4", "utf-8"), std::optional<Text>("a?b?"));  // invalid and cut-short UTF-8
    EXPECT_EQ(decodeToGbk(Bytes("A\0B", 3), "utf-16le"), std::optional<Text>("A?"));  // an odd byte count
    EXPECT_EQ(decodeToGbk("a\x80", "x-user-defined"), std::optional<Text>("a?"));
    EXPECT_EQ(decodeToGbk("\xE9\xA4", "iso-8859-16"), std::optional<Text>(gbk(u"é€")));
}

TEST(DecodeToGbk, UnknownOrReplacementLabelGivesNothing) {
    EXPECT_EQ(decodeToGbk("page", "no-such-charset"), std::nullopt);
    EXPECT_EQ(decodeToGbk("page", "hz-gb-2312"), std::nullopt);
    EXPECT_EQ(decodeToGbk("page", ""), std::nullopt);
}

}  // namespace
}  // namespace vokari
