#include "text/regex_object.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace vokari {

// Failures show texts as bytes in quotes rather than as the object's bytes.
inline void PrintTo(const Text& text, std::ostream* os) { *os << testing::PrintToString(text.str()); }

namespace {

// GBK bytes used below: 中 is D6 D0; "#引号" is 23 D2 FD BA C5.
const Text kZhong("\xD6\xD0");
const Text kQuoteMarker("#\xD2\xFD\xBA\xC5");

// The pattern the page fetch reads a declared character set with.
const Text kCharsetPattern("<meta.+?charset=[^\\w]?([-\\w]+)");

TEST(RegexObject, GivesEmptyValuesBeforeTheFirstExecute) {
    RegexObject regex;
    int position = 99;
    EXPECT_EQ(regex.pattern(), Text(""));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.subMatchCount(), 0);
    EXPECT_EQ(regex.matchText(1, &position), Text(""));
    EXPECT_EQ(position, -2);
    EXPECT_EQ(regex.subMatchText(1, 1), Text(""));
    EXPECT_EQ(regex.replace("x"), Text(""));
}

TEST(RegexObject, RejectedPatternGivesFalseAndNoMatches) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("a", "a"));
    EXPECT_FALSE(regex.execute("(a", "a(a"));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.matchText(1), Text(""));
    EXPECT_EQ(regex.replace("x"), Text(""));
    EXPECT_EQ(regex.pattern(), Text("(a"));
    // The object stays usable.
    EXPECT_TRUE(regex.execute("a", "banana"));
    EXPECT_EQ(regex.matchCount(), 3);
}

TEST(RegexObject, PatternThatMatchesNothingStillRuns) {
    RegexObject regex;
    EXPECT_TRUE(regex.execute("(x)(y)", "abc"));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.subMatchCount(), 0);
    EXPECT_EQ(regex.subMatchText(1, 1), Text(""));
}

struct CharsetCase {
    VOKARI_PRINT_CASE_BY_NAME(CharsetCase)
    const char* name;
    Text subject;
    Text charset;  // empty: nothing found
};

class CharsetPatternTest : public testing::TestWithParam<CharsetCase> {};

TEST_P(CharsetPatternTest, ReadsTheDeclaredCharset) {
    const CharsetCase& c = GetParam();
    RegexObject regex;
    ASSERT_TRUE(regex.execute(kCharsetPattern, c.subject));
    EXPECT_EQ(regex.subMatchText(1, 1), c.charset);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CharsetPatternTest,
    testing::Values(
        CharsetCase{"Html5", "<meta charset=utf-8>", "utf-8"},
        CharsetCase{"UpperCaseIgnored", "<META CHARSET=UTF-8>", "UTF-8"},
        CharsetCase{"LineFeedStopsTheDot", "<meta\ncharset=utf-8>", ""},
        CharsetCase{"CarriageReturnIsAnyCharacter", "<meta\rcharset=utf-8>", "utf-8"},
        CharsetCase{"QuotedValue", "<meta charset=\"GBK\">", "GBK"},
        CharsetCase{"HttpEquiv",
                    "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\" /></head>",
                    "gb2312"},
        CharsetCase{"FirstMetaWithoutCharsetIsCrossed",
                    "<meta name=\"a\"><meta charset='big5'>", "big5"},
        // \w is ASCII: the two-byte characters end the name.
        CharsetCase{"WordIsAscii", Text("<meta charset=x-gbk\xD6\xD0>"), "x-gbk"},
        CharsetCase{"NoMeta", "<html><body>charset=utf-8</body>", ""}),
    testing_support::caseName);

TEST(RegexObject, QuoteMarkerStandsForADoubleQuote) {
    const Text pattern = "a" + kQuoteMarker + "b";
    RegexObject regex;
    EXPECT_TRUE(regex.execute(pattern, "a\"b", {.quoteMarker = true}));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.pattern(), Text("a\"b"));

    EXPECT_TRUE(regex.execute(pattern, "a\"b"));
    EXPECT_EQ(regex.matchCount(), 0);
    EXPECT_EQ(regex.pattern(), pattern);
    EXPECT_TRUE(regex.execute(pattern, pattern));
    EXPECT_EQ(regex.matchText(1), pattern);
}

TEST(RegexObject, OptionsSettleCaseLinesAndRepetition) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("B", "abB", {.caseSensitive = true}));
    EXPECT_EQ(regex.matchCount(), 1);
    ASSERT_TRUE(regex.execute("B", "abB"));
    EXPECT_EQ(regex.matchCount(), 2);
    // Letters beyond ASCII fold too: full-width Ａ (A3 C1) and ａ (A3 E1).
    ASSERT_TRUE(regex.execute(Text("\xA3\xC1"), Text("\xA3\xE1")));
    EXPECT_EQ(regex.matchCount(), 1);

    ASSERT_TRUE(regex.execute("^\\w+$", "one\ntwo\n"));
    EXPECT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(regex.matchText(2), Text("two"));
    // A carriage return ends a line too, for "^" and "$" but not for ".".
    ASSERT_TRUE(regex.execute("^\\w+$", "one\r\ntwo\rsix"));
    EXPECT_EQ(regex.matchCount(), 3);
    ASSERT_TRUE(regex.execute("^.+$", "one\r\ntwo\rsix"));
    EXPECT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(regex.matchText(1), Text("one\r"));
    EXPECT_EQ(regex.matchText(2), Text("two\rsix"));
    ASSERT_TRUE(regex.execute("[$^]", "$^"));
    EXPECT_EQ(regex.matchCount(), 2);
    // Without multiline "$" is the very end only, not before a final line feed.
    ASSERT_TRUE(regex.execute("^\\w+$", "one\ntwo\n", {.multiline = false}));
    EXPECT_EQ(regex.matchCount(), 0);
    ASSERT_TRUE(regex.execute("\\w+$", "one\ntwo", {.multiline = false}));
    EXPECT_EQ(regex.matchText(1), Text("two"));

    ASSERT_TRUE(regex.execute("\\d", "a1b2", {.global = false}));
    EXPECT_EQ(regex.matchCount(), 1);
    EXPECT_EQ(regex.matchText(1), Text("1"));
}

TEST(RegexObject, EscapesFollowTheClassicEngines) {
    struct Case {
        const char* pattern;
        Text subject;
        Text match;  // empty: no match
    };
    const Case cases[] = {
        {"\\x41\\u4E2D", "A" + kZhong, "A" + kZhong},
        {"\\x4", "x4", "x4"},                   // too few digits: the letter itself
        {"\\u12", "u12", "u12"},
        {"a\\vb", "a\x0B" "b", "a\x0B" "b"},    // the vertical tab alone ...
        {"a\\vb", "a\nb", ""},                  // ... not every vertical space
        {"\\h\\e\\Q\\z", "heQz", "heQz"},       // unknown letter escapes are the letters
        {"\\c", "\\c", "\\c"},                  // \c without a letter
        {"\\cJ", "\n", "\n"},
        {"[]a]", "]", ""},                      // [] matches nothing; it is no class of "]a"
        {"x[^]y", "x\ny", "x\ny"},
        {"\\s+", "\t \r\n", "\t \r\n"},
        {"(a)|b\\1", "b", "b"},                 // a group that took no part matches empty
        {"(a)\\1", "aa", "aa"},                  // \N is a back reference when there are N groups ...
        {"a\\1", "a\x01", "a\x01"},              // ... else an octal code
        {"(a)\\12", "a\n", "a\n"},
        {"[\\1]", "\x01", "\x01"},
        {"\\8", "8", "8"},
        {"x[[:alpha:]]", "xb]xa]", "xa]"},        // "[" in a class is a plain character
    };
    for (const Case& c : cases) {
        RegexObject regex;
        ASSERT_TRUE(regex.execute(c.pattern, c.subject, {.caseSensitive = true})) << c.pattern;
        EXPECT_EQ(regex.matchText(1), c.match) << c.pattern;
    }
}

TEST(RegexObject, MatchAndSubMatchTexts) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("(\\w)(x)?=(\\d+)", "a=1; b=22"));
    EXPECT_EQ(regex.matchCount(), 2);
    EXPECT_EQ(regex.subMatchCount(), 3);
    EXPECT_EQ(regex.matchText(2), Text("b=22"));
    EXPECT_EQ(regex.subMatchText(2, 3), Text("22"));
    EXPECT_EQ(regex.subMatchText(1, 2), Text(""));  // took no part
    for (auto [matchIndex, subIndex] : {std::pair{3, 1}, {0, 1}, {1, 0}, {1, 4}, {-1, 1}}) {
        EXPECT_EQ(regex.subMatchText(matchIndex, subIndex), Text("")) << matchIndex << "," << subIndex;
    }
    EXPECT_EQ(regex.matchText(3), Text(""));
    EXPECT_EQ(regex.matchText(0), Text(""));
}

TEST(RegexObject, EmptyMatchesAdvanceOneCharacter) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("x*", "axb"));
    ASSERT_EQ(regex.matchCount(), 4);
    EXPECT_EQ(regex.matchText(1), Text(""));
    EXPECT_EQ(regex.matchText(2), Text("x"));
    EXPECT_EQ(regex.replace("-"), Text("-a--b-"));
    // After an empty match the next search starts one further on, so no
    // longer match is tried at the same place.
    ASSERT_TRUE(regex.execute("a??", "ab"));
    EXPECT_EQ(regex.matchCount(), 3);
    EXPECT_EQ(regex.replace("-"), Text("-a-b-"));
    ASSERT_TRUE(regex.execute("", ""));
    EXPECT_EQ(regex.matchCount(), 1);
}

TEST(RegexObject, PositionsAreByteOffsetsInTheGbkSubject) {
    const Text subject = kZhong + kZhong + "ABCabc";
    RegexObject regex;
    int position = 0;
    ASSERT_TRUE(regex.execute("abc", subject, {.caseSensitive = true}));
    EXPECT_EQ(regex.matchText(1, &position), Text("abc"));
    EXPECT_EQ(position, 7);

    // Matching without case finds ABC first, right after the two characters.
    ASSERT_TRUE(regex.execute("abc", subject));
    EXPECT_EQ(regex.matchText(1, &position), Text("ABC"));
    EXPECT_EQ(position, 4);
    EXPECT_EQ(regex.matchText(2, &position), Text("abc"));
    EXPECT_EQ(position, 7);

    ASSERT_TRUE(regex.execute("x", "xx"));
    regex.matchText(2, &position);
    EXPECT_EQ(position, 1);

    // A sub-match reports where the group itself stands.
    ASSERT_TRUE(regex.execute("(a)b(a)", kZhong + "aba"));
    EXPECT_EQ(regex.subMatchText(1, 2, &position), Text("a"));
    EXPECT_EQ(position, 4);

    ASSERT_TRUE(regex.execute("(x)?y", kZhong + "y"));
    regex.subMatchText(1, 1, &position);
    EXPECT_EQ(position, -2);
    regex.matchText(2, &position);
    EXPECT_EQ(position, -2);
}

TEST(RegexObject, ReplaceDeletesOrReplacesTheMatches) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("a", "banana"));
    EXPECT_EQ(regex.replace(), Text("bnn"));
    ASSERT_TRUE(regex.execute("a", "banana", {.global = false}));
    EXPECT_EQ(regex.replace(), Text("bnana"));
    // Two-byte characters on both sides survive the round trip.
    ASSERT_TRUE(regex.execute("b", kZhong + "abc"));
    EXPECT_EQ(regex.replace(kZhong), kZhong + "a" + kZhong + "c");
}

struct DollarCase {
    VOKARI_PRINT_CASE_BY_NAME(DollarCase)
    const char* name;
    const char* pattern;
    const char* replacement;
    const char* result;
};

class ReplaceDollarTest : public testing::TestWithParam<DollarCase> {};

TEST_P(ReplaceDollarTest, ExpandsTheDollarForms) {
    const DollarCase& c = GetParam();
    RegexObject regex;
    ASSERT_TRUE(regex.execute(c.pattern, "<joe@host>", {.global = false}));
    EXPECT_EQ(regex.replace(c.replacement), Text(c.result));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReplaceDollarTest,
    testing::Values(
        DollarCase{"Groups", "(\\w+)@(\\w+)", "$2 at $1", "<host at joe>"},
        DollarCase{"WholeMatch", "\\w+@", "[$&]", "<[joe@]host>"},
        DollarCase{"BeforeAndAfter", "@", "|$`|$'|", "<joe|<joe|host>|host>"},
        DollarCase{"Dollar", "@", "$$", "<joe$host>"},
        DollarCase{"LeadingZero", "(@)", "$01", "<joe@host>"},
        DollarCase{"TwoDigitsFallBackToOne", "(@)", "$10", "<joe@0host>"},
        DollarCase{"MissingGroupKept", "(@)", "$2", "<joe$2host>"},
        DollarCase{"ZeroKept", "(@)", "$0$00", "<joe$0$00host>"},
        DollarCase{"OtherKept", "@", "$x$", "<joe$x$host>"},
        DollarCase{"UnsetGroupIsEmpty", "(x)?@", "[$1]", "<joe[]host>"}),
    testing_support::caseName);

TEST(RegexObject, TwoDigitGroupNumbers) {
    RegexObject regex;
    ASSERT_TRUE(regex.execute("(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)", "abcdefghijk"));
    EXPECT_EQ(regex.subMatchCount(), 11);
    EXPECT_EQ(regex.replace("$11$10$1$12"), Text("kjaa2"));
}

TEST(RegexObject, CopiesShareTheResultOfTheOriginal) {
    RegexObject original;
    ASSERT_TRUE(original.execute("(\\d)", "a1b2"));
    RegexObject copy = original;
    ASSERT_TRUE(original.execute("z", "zzz"));
    EXPECT_EQ(copy.matchCount(), 2);
    EXPECT_EQ(copy.subMatchText(2, 1), Text("2"));
    EXPECT_EQ(copy.replace("#"), Text("a#b#"));
    EXPECT_EQ(copy.pattern(), Text("(\\d)"));
    copy = original;
    EXPECT_EQ(copy.matchCount(), 3);
}

// Exponential backtracking must end at the engine's limits, as "no match".
// The second and third patterns hold no single required letter, so the
// engine cannot rule the subject out before it starts backtracking.
TEST(RegexObject, CatastrophicPatternsEndWithoutAMatch) {
    const std::string as(40, 'a');
    const std::pair<const char*, std::string> cases[] = {
        {"(a+)+b", as}, {"(a+)+(b|c)", as}, {"^(\\w+\\s?)*$", as + "!"}};
    for (const auto& [pattern, subject] : cases) {
        RegexObject regex;
        EXPECT_TRUE(regex.execute(pattern, subject)) << pattern;
        EXPECT_EQ(regex.matchCount(), 0) << pattern;
        EXPECT_EQ(regex.replace("x"), Text(subject)) << pattern;
    }
}

// Each short run of a's is a trap that stays within the engine's limits for
// one start position; together they exceed the work one execute may do, so
// the real match at the very end is given up rather than waited for.
TEST(RegexObject, WorkOfOneExecuteIsBounded) {
    std::string subject;
    for (int run = 0; run < 40; ++run) subject += std::string(18, 'a') + "c";
    subject += "ab";
    RegexObject regex;
    EXPECT_TRUE(regex.execute("(a+)+b", subject));
    EXPECT_EQ(regex.matchCount(), 0);
}

// The bound leaves room for ordinary work: a page far larger than the part
// the page fetch reads is still searched to its end.
TEST(RegexObject, LargeSubjectIsSearchedToTheEnd) {
    std::string page = "<html><head>\n";
    while (page.size() < 500'000) page += "<meta name=\"keywords\" content=\"songs, karaoke\">\n";
    page += "<meta charset=gbk>";
    RegexObject regex;
    ASSERT_TRUE(regex.execute(kCharsetPattern, page));
    EXPECT_EQ(regex.subMatchText(1, 1), Text("gbk"));
    ASSERT_TRUE(regex.execute("\\w+", page));
    EXPECT_EQ(regex.matchText(regex.matchCount()), Text("gbk"));
}

}  // namespace
}  // namespace vokari
