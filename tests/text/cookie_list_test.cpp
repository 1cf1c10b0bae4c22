#include "text/cookie_list.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

// GBK full-width space, A1 A1: a space to the cookie list, like 0x20.
const Text kFullWidthSpace("\xA1\xA1");

struct MergeCase {
    VOKARI_PRINT_CASE_BY_NAME(MergeCase)
    const char* name;
    Text oldList;
    Text newList;
    Text merged;
};

class MergeCookiesTest : public testing::TestWithParam<MergeCase> {};

TEST_P(MergeCookiesTest, ReturnsTheMergedListAndWritesItBack) {
    const MergeCase& c = GetParam();
    Text oldList = c.oldList;
    Text newList = c.newList;
    EXPECT_EQ(mergeCookies(oldList, newList), c.merged);
    EXPECT_EQ(oldList, c.merged);
    EXPECT_EQ(newList, removeSpaces(c.newList));
}

INSTANTIATE_TEST_SUITE_P(
    Table, MergeCookiesTest,
    testing::Values(
        MergeCase{"BothEmpty", "", "", ""},
        MergeCase{"NewOnlyIsRejoined", "", "a=1;b=2", "a=1; b=2"},
        MergeCase{"RepeatsAndDeletedGoWithoutNewList", "a=1; a=1; k=3=deleted", "", "a=1"},
        MergeCase{"DeletedNewEntryRemovesCookie", "a=1", "a=deleted", ""},
        MergeCase{"DeletedIsLowerCaseOnly", "a=DELETED; b=undeleted", "", "a=DELETED; b=undeleted"},
        MergeCase{"EmptyNameDeleted", "=deleted; d=4", "", "d=4"},
        MergeCase{"FirstOldOfANameWins", "x=1;x=2", "", "x=1"},
        MergeCase{"NewEntriesAreNotReducedByName", "", "x=1;x=2", "x=1; x=2"},
        MergeCase{"ExactNewRepeatGoes", "", "x=1;x=1", "x=1"},
        MergeCase{"NamesAreCaseSensitive", "SID=1", "sid=2", "sid=2; SID=1"},
        MergeCase{"InnerEmptyEntryStays", "a=1;;b=2", "", "a=1; ; b=2"},
        MergeCase{"TrailingEmptyEntriesGo", "a=1;;", "", "a=1"},
        MergeCase{"TrailingSeparatorGoes", "a=1;", "", "a=1"},
        MergeCase{"ShortEntryIsNeverDeleted", "deleted", "", "deleted"},
        MergeCase{"EntryWithoutEqualsIsAllName", "flag; a=1", "flag", "flag; a=1"},
        MergeCase{"OnlyTheFirstEqualsSeparates", "k=v=1", "k=v=2", "k=v=2"},
        MergeCase{"FullWidthSpacesGo", "a=1;" + kFullWidthSpace + "b=2", "", "a=1; b=2"},
        MergeCase{"NewFirstThenOldInOrder", "c=3; a=1; b=2", "b=9; d=4", "b=9; d=4; c=3; a=1"}),
    testing_support::caseName);

// The worked example: set again, deleted and untouched cookies in one merge.
TEST(MergeCookies, ReplacesDeletesAndKeepsInOneMerge) {
    Text oldList = "sid=1; theme=dark; lang=zh";
    Text newList = "sid=2; theme=deleted; nick=a b";
    const Text merged = mergeCookies(oldList, newList);
    EXPECT_EQ(merged, Text("sid=2; nick=ab; lang=zh"));
    EXPECT_EQ(oldList, merged);
    EXPECT_EQ(newList, Text("sid=2;theme=deleted;nick=ab"));
}

TEST(MergeCookies, WorksWhenBothArgumentsAreOneVariable) {
    Text list = "a=1; a=2";
    EXPECT_EQ(mergeCookies(list, list), Text("a=1; a=2"));
}

TEST(CookiesFromHeaders, TakesTheFirstPairOfEverySetCookieLine) {
    const Text block =
        "HTTP/1.1 200 OK\r\n"
        "Set-Cookie: sid=2; path=/\r\n"
        "Content-Type: text/html\r\n"
        "Set-Cookie: lang=zh\r\n"
        "Set-Cookie:  spaced = v ; HttpOnly\r\n"
        "\r\n";
    EXPECT_EQ(cookiesFromHeaders(block), Text("sid=2; lang=zh; spaced = v"));
}

TEST(CookiesFromHeaders, ReadsAnySpellingOfTheHeaderName) {
    const Text block =
        "set-cookie: a=1; path=/\r\n"
        "SET-COOKIE: b=2\r\n"
        "sEt-CoOkIe: c=3; Secure";
    EXPECT_EQ(cookiesFromHeaders(block), Text("a=1; b=2; c=3"));
}

TEST(CookiesFromHeaders, BlocksWithoutCookiesGiveTheEmptyList) {
    EXPECT_EQ(cookiesFromHeaders(""), Text(""));
    EXPECT_EQ(cookiesFromHeaders("HTTP/1.1 200 OK\r\nContent-Length: 0\r\n\r\n"), Text(""));
}

// A line that names Set-Cookie without the "Set-Cookie:" header form still
// takes its place in the list, as an empty entry when it holds a ";".
TEST(CookiesFromHeaders, OddLinesKeepTheirPlace) {
    EXPECT_EQ(cookiesFromHeaders("X-Set-Cookie-Note; a\r\nSet-Cookie: b=2"), Text("; b=2"));
    EXPECT_EQ(cookiesFromHeaders("Set-Cookie: ;\r\nSet-Cookie: b=2"), Text("; b=2"));
}

TEST(CookieName, IsTheTrimmedTextBeforeTheFirstEquals) {
    EXPECT_EQ(cookieName(" sid =1=2"), Text("sid"));
    EXPECT_EQ(cookieName("flag"), Text("flag"));
    EXPECT_EQ(cookieName(kFullWidthSpace + "flag "), Text("flag"));
    EXPECT_EQ(cookieName("=v"), Text(""));
    EXPECT_EQ(cookieName(""), Text(""));
}

TEST(HasCookieNamed, ComparesNamesExactly) {
    const TextList entries{"a=1", " b =2", "c"};
    EXPECT_TRUE(hasCookieNamed(entries, "b"));
    EXPECT_TRUE(hasCookieNamed(entries, "c"));
    EXPECT_FALSE(hasCookieNamed(entries, "A"));
    EXPECT_FALSE(hasCookieNamed(entries, "a=1"));
    EXPECT_FALSE(hasCookieNamed({}, ""));
}

TEST(RemoveDuplicates, KeepsEachMemberAtItsFirstPlace) {
    EXPECT_EQ(removeDuplicates("b; a; b; c; a", "; "), Text("b; a; c"));
    EXPECT_EQ(removeDuplicates("a; ; b; ", "; "), Text("a; ; b"));
    EXPECT_EQ(removeDuplicates("a,A,a", ","), Text("a,A"));
    EXPECT_EQ(removeDuplicates("a", "; "), Text("a"));
    EXPECT_EQ(removeDuplicates("", "; "), Text(""));
}

TEST(ListIndexOf, IsOneBasedAndExact) {
    const TextList list{"x", "y", "x"};
    EXPECT_EQ(listIndexOf(list, "x"), 1);
    EXPECT_EQ(listIndexOf(list, "y"), 2);
    EXPECT_EQ(listIndexOf(list, "X"), -1);
    EXPECT_EQ(listIndexOf({}, ""), -1);
}

}  // namespace
}  // namespace vokari
