#include "text/pending_events.h"
#include "text/text.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

// "#引号" in GBK.
const Text kQuoteMarker("#\xD2\xFD\xBA\xC5");

// Counts the pending-event runs of one test and restores the previous pump.
class EventCounter {
public:
    EventCounter() { previous_ = setPendingEventsHook([this] { ++count; }); }
    ~EventCounter() { setPendingEventsHook(previous_); }
    int count = 0;

private:
    std::function<void()> previous_;
};

TEST(TextBetween, CutsBetweenTheFirstMarkers) {
    EXPECT_EQ(textBetween("x<b>1</b>", "<b>", "</b>"), Text("1"));
    EXPECT_EQ(textBetween("<b>1", "<b>", "</b>"), Text(""));
    EXPECT_EQ(textBetween("<b></b>", "<b>", "</b>"), Text(""));
    EXPECT_EQ(textBetween("<b> 1 </b>", "<b>", "</b>"), Text(" 1 "));
    EXPECT_EQ(textBetween("<b>1</b><b>2</b>", "<b>", "</b>", 2), Text("2"));
    EXPECT_EQ(textBetween("<B>1</B>", "<b>", "</b>"), Text(""));
    EXPECT_EQ(textBetween("<B>1</B>", "<b>", "</b>", 1, true), Text("1"));
    EXPECT_EQ(textBetween("a=\"v\"", "a=" + kQuoteMarker, kQuoteMarker), Text("v"));
}

TEST(AllTextBetween, SkipsEmptyFieldsAndTrims) {
    TextList list{"stale"};
    EXPECT_EQ(allTextBetween("[ a ][][b]", "[", "]", list), 2);
    EXPECT_EQ(list, (TextList{"a", "b"}));
}

struct AllCase {
    VOKARI_PRINT_CASE_BY_NAME(AllCase)
    const char* name;
    Text text;
    AllTextBetweenOptions options;
    TextList expected;
};

class AllTextBetweenOptionsTest : public testing::TestWithParam<AllCase> {};

TEST_P(AllTextBetweenOptionsTest, Fills) {
    const AllCase& c = GetParam();
    TextList list;
    EXPECT_EQ(allTextBetween(c.text, "[", "]", list, c.options), static_cast<int>(c.expected.size()));
    EXPECT_EQ(list, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AllTextBetweenOptionsTest,
    testing::Values(AllCase{"Prefix", "[x][y]", {.prefix = "P-"}, {"P-x", "P-y"}},
                    AllCase{"Suffix", "[x][y]", {.suffix = "!"}, {"x!", "y!"}},
                    AllCase{"KeepBoth", "[x][y]", {.keepLeft = true, .keepRight = true}, {"[x]", "[y]"}},
                    AllCase{"LengthLimit", "[x][yy]", {.lengthLimit = 2}, {"x"}},
                    AllCase{"Start", "[x][y]", {.start = 2}, {"y"}},
                    // A prefix turns an empty field into a value.
                    AllCase{"PrefixOnEmpty", "[][y]", {.prefix = "P"}, {"P", "Py"}},
                    AllCase{"NoRightMarker", "[x", {}, {}}),
    testing_support::caseName);

TEST(AllTextBetween, MarkersMatchWithoutCaseUnlessAsked) {
    TextList list;
    EXPECT_EQ(allTextBetween("NAME:a;name:b;", "name:", ";", list), 2);
    EXPECT_EQ(allTextBetween("NAME:a;name:b;", "name:", ";", list, {.caseSensitive = true}), 1);
    EXPECT_EQ(list, (TextList{"b"}));
}

TEST(AllTextBetween, KeptMarkersAreTheCallersSpelling) {
    TextList list;
    allTextBetween("<B>x</B>", "<b>", "</b>", list, {.keepLeft = true, .keepRight = true});
    EXPECT_EQ(list, (TextList{"<b>x</b>"}));
}

TEST(AllTextBetween, NextFieldIsSearchedFromTheRightMarker) {
    TextList list;
    // The right marker of one field is the left marker of the next.
    allTextBetween("|a|b|c|", "|", "|", list);
    EXPECT_EQ(list, (TextList{"a", "b", "c"}));
}

TEST(AllTextBetween, EmptyMarkersGiveAnEmptyList) {
    TextList list{"stale"};
    EXPECT_EQ(allTextBetween("abc", "", "c", list), 0);
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(allTextBetween("[a]", "[", "", list, {.prefix = "P"}), 0);
}

TEST(AllTextBetween, RunsPendingEventsThreeTimesPerFieldFound) {
    EventCounter events;
    TextList list;
    allTextBetween("[a][][b]", "[", "]", list);
    EXPECT_EQ(events.count, 9);  // three marker pairs, the empty one included
    events.count = 0;
    allTextBetween("[a][bb]", "[", "]", list, {.lengthLimit = 2});
    EXPECT_EQ(events.count, 8);  // one more for each non-empty field under a limit
}

TEST(CountOccurrences, CountsWithoutOverlap) {
    EXPECT_EQ(countOccurrences("aaaa", "aa"), 2);
    EXPECT_EQ(countOccurrences("", "a"), 0);
    EXPECT_EQ(countOccurrences("a", ""), 0);
    EXPECT_EQ(countOccurrences("AbAb", "ab"), 2);
    EXPECT_EQ(countOccurrences("AbAb", "ab", true), 0);
}

TEST(ReplaceMany, AppliesPairsInOrder) {
    const Text page("a\r\nb\rc\nd\te");
    EXPECT_EQ(replaceMany(page, {{"\r\n", ""}, {charFromCode(9), ""}}), Text("ab\rc\nde"));
    EXPECT_EQ(replaceMany("abc", {{"a", "b"}, {"b", "c"}}), Text("ccc"));
    EXPECT_EQ(replaceMany("aaa", {{"a", "b"}}, {.count = 1, .start = 0}), Text("baa"));
    EXPECT_EQ(replaceMany("AaA", {{"a", "b"}}, {.caseSensitive = true}), Text("AbA"));
    EXPECT_EQ(replaceMany("abc", {{"", "x"}}), Text("abc"));
}

}  // namespace
}  // namespace vokari
