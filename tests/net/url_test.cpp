#include "net/url.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

namespace vokari {
namespace {

struct HostCase {
    VOKARI_PRINT_CASE_BY_NAME(HostCase)
    const char* name;
    Text address;
    UrlHostOptions options;
    Text expected;
};

class UrlHostTest : public testing::TestWithParam<HostCase> {};

TEST_P(UrlHostTest, GivesTheLowerCaseHost) {
    const HostCase& c = GetParam();
    EXPECT_EQ(urlHost(c.address, c.options), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    BySlash, UrlHostTest,
    testing::Values(HostCase{"NoScheme", "ONE.Two.THREE:8080/a/B?x=1", {}, "one.two.three"},
                    HostCase{"KeepPort", "ONE.Two.THREE:8080/a/B?x=1", {.keepPort = true}, "one.two.three:8080"},
                    HostCase{"RootDomain", "ONE.Two.THREE:8080/a/B?x=1", {.rootDomain = true}, "two.three"},
                    HostCase{"RootDomainKeepsPortOnLastLabel", "one.two.three:81/", {.rootDomain = true, .keepPort = true},
                             "two.three:81"},
                    HostCase{"Http", "http://ONE.Two.THREE:8080/a", {}, "one.two.three"},
                    HostCase{"HttpsCapitals", "HTTPS://ONE.Two.THREE/a", {.rootDomain = true}, "two.three"},
                    HostCase{"HttpsNoPath", "https://two.three", {}, "two.three"},
                    // The host runs up to the first "/", so a query without a path stays in it.
                    HostCase{"HttpsQueryWithoutPath", "https://two.three?x=1", {}, "two.three?x=1"},
                    // Any other scheme is taken for a host name ending in a port.
                    HostCase{"OtherScheme", "ftp://x/y", {}, "ftp"},
                    HostCase{"Empty", "", {}, ""},
                    HostCase{"SingleLabelRootDomain", "localhost/x", {.rootDomain = true}, "localhost"}),
    testing_support::caseName);

INSTANTIATE_TEST_SUITE_P(
    ByLevels, UrlHostTest,
    testing::Values(HostCase{"Zero_Root", "zero.one.two.three/p", {.rootDomain = true, .levels = 0}, "three"},
                    HostCase{"Zero", "zero.one.two.three/p", {.levels = 0}, "two.three"},
                    HostCase{"One_Root", "zero.one.two.three/p", {.rootDomain = true, .levels = 1}, "two.three"},
                    HostCase{"One", "zero.one.two.three/p", {.levels = 1}, "one.two.three"},
                    HostCase{"Five_Root", "zero.one.two.three/p", {.rootDomain = true, .levels = 5}, "zero.one.two.three"},
                    HostCase{"Five", "zero.one.two.three/p", {.levels = 5}, "zero.one.two.three"},
                    HostCase{"SchemesRemoved", "HTTPS://a.b.c:90/p", {.keepPort = true, .levels = 0}, "b.c:90"},
                    HostCase{"NoDots", "host/p", {.levels = 2}, "host"},
                    HostCase{"Empty", "", {.rootDomain = true, .levels = 1}, ""}),
    testing_support::caseName);

TEST(UrlPort, ComesFromTheHostOrTheScheme) {
    EXPECT_EQ(urlPort("host:8080/x"), 8080);
    EXPECT_EQ(urlPort("https://host/x"), 443);
    EXPECT_EQ(urlPort("HTTPS://host/x"), 443);
    EXPECT_EQ(urlPort("host/x"), 80);
    EXPECT_EQ(urlPort("http://host/x"), 80);
    EXPECT_EQ(urlPort("host:abc/x"), 0);
    EXPECT_EQ(urlPort(""), 80);
}

TEST(UrlPath, KeepsTheCallersCaseAndQuery) {
    EXPECT_EQ(urlPath("ONE.Two.THREE:8080/a/B?x=1"), Text("/a/B?x=1"));
    EXPECT_EQ(urlPath("http://host"), Text("/"));
    EXPECT_EQ(urlPath("https://two.three?x=1"), Text("/"));
    EXPECT_EQ(urlPath("http://Host.COM/Path#frag"), Text("/Path#frag"));
    EXPECT_EQ(urlPath(""), Text("/"));
}

}  // namespace
}  // namespace vokari
