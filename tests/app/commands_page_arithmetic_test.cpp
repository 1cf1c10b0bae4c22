#include "app/commands/page_arithmetic.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

struct PagesCase {
    VOKARI_PRINT_CASE_BY_NAME(PagesCase)
    const char* name;
    Text workCount;
    std::int32_t lastPage;
};

class PageCountTest : public testing::TestWithParam<PagesCase> {};

TEST_P(PageCountTest, RoundsTheWorkCountUpToWholePages) {
    const PagesCase& c = GetParam();
    EXPECT_EQ(lastPageNumber(pageCountOf(pageRatioOf(c.workCount))), c.lastPage);
}

// 2^31 - 1 over 20 is 107374182.35, which a 32-bit float holds as 107374184:
// the clamped count still makes a loop bound far from any overflow.
constexpr std::int32_t kClampedPages = 107374184;

INSTANTIATE_TEST_SUITE_P(
    Table, PageCountTest,
    testing::Values(PagesCase{"Zero", "0", 0}, PagesCase{"Missing", "", 0}, PagesCase{"One", "1", 1},
                    PagesCase{"Twenty", "20", 1}, PagesCase{"TwentyOne", "21", 2}, PagesCase{"Forty", "40", 2},
                    PagesCase{"FortyOne", "41", 3},
                    // The count is read as its leading number.
                    PagesCase{"TrailingSpace", "35 ", 2}, PagesCase{"TrailingLetters", "35abc", 2},
                    PagesCase{"NotANumber", "abc", 0},
                    // Negative counts give no page: the loop runs from 1.
                    PagesCase{"MinusOne", "-1", 0}, PagesCase{"MinusForty", "-40", -2},
                    PagesCase{"HugeNegative", "-99999999999999", -kClampedPages},
                    PagesCase{"Huge", "99999999999999", kClampedPages},
                    PagesCase{"Infinite", "1e999", kClampedPages}),
    testing_support::caseName);

TEST(PageRatio, IsTheCountOverTwentyInSinglePrecision) {
    EXPECT_EQ(pageRatioOf("41"), 2.05f);
    EXPECT_EQ(pageCountOf(2.0f), 2.0f);
    EXPECT_EQ(pageCountOf(2.05f), 3.0f);
}

}  // namespace
}  // namespace vokari
