#include "app/commands/safe_file_name.h"

#include "tests/support/case_table.h"

#include <gtest/gtest.h>

#include <QString>

namespace vokari {
namespace {

struct NameCase {
    VOKARI_PRINT_CASE_BY_NAME(NameCase)
    const char* name;
    QString songName;
    QString expected;
};

class SafeFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(SafeFileNameTest, ProposesAPlainFileName) {
    const NameCase& c = GetParam();
    EXPECT_EQ(safeSongFileName(c.songName), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SafeFileNameTest,
    testing::Values(
        NameCase{"Chinese", u"你好 世界"_qs, u"你好 世界.mp3"_qs},
        NameCase{"Separators", u"a/b\\c"_qs, u"a_b_c.mp3"_qs},
        // Neither a parent folder nor a hidden file can come out of it.
        NameCase{"ParentFolder", u"../../etc/passwd"_qs, u"_.._etc_passwd.mp3"_qs},
        NameCase{"LeadingDot", u".hidden"_qs, u"hidden.mp3"_qs},
        NameCase{"Controls", QString::fromUtf8("a\tb\nc\x7F" "d\xC2\x85"), u"a_b_c_d_.mp3"_qs},
        NameCase{"RefusedByFileSystems", u"a:b*c?d\"e<f>g|h"_qs, u"a_b_c_d_e_f_g_h.mp3"_qs},
        NameCase{"Empty", u""_qs, u"未命名.mp3"_qs}, NameCase{"OnlyDots", u"..."_qs, u"未命名.mp3"_qs}),
    testing_support::caseName);

TEST(SafeFileName, StaysWithin255BytesCutBetweenCharacters) {
    // 251 bytes of name leave room for ".mp3".
    EXPECT_EQ(safeSongFileName(QString(300, u'a')), QString(251, u'a') + u".mp3"_qs);

    // Three bytes each in UTF-8: 83 of them fit in 251 bytes, 84 would not.
    const QString threeByteNames = safeSongFileName(QString(300, QChar(0x4F60)));
    EXPECT_EQ(threeByteNames, QString(83, QChar(0x4F60)) + u".mp3"_qs);

    // A character outside the BMP is one UTF-16 pair; the cut never splits it.
    QString pairs = u"a"_qs;
    for (int i = 0; i < 100; ++i) pairs += QString::fromUcs4(U"\U0001F600", 1);
    const QString cut = safeSongFileName(pairs);
    EXPECT_LE(cut.toUtf8().size(), 255);
    EXPECT_EQ(QString::fromUtf8(cut.toUtf8()), cut);  // no lone surrogate
    EXPECT_EQ(cut.size(), 1 + 62 * 2 + 4);
}

}  // namespace
}  // namespace vokari
