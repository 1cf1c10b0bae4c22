// The window as the user first sees it: every control at its place with its
// start text, the grid's header row, the count icons and the player address.
#include <QComboBox>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"
#include "tests/support/case_table.h"

namespace vokari {
namespace {

const ServiceHosts kHosts{"web.test:81", "media.test:82", "player.test:83"};

struct ControlCase {
    VOKARI_PRINT_CASE_BY_NAME(ControlCase)
    const char* name;
    const char16_t* layoutName;
    QRect geometry;
    const char16_t* text;  // nullptr: the control has no text of its own
};

// What a control shows as its text, whatever kind of control it is.
QString shownText(const QWidget* w) {
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QPushButton*>(w)) return button->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w)) return edit->text();
    if (auto* box = qobject_cast<const QComboBox*>(w)) return box->currentText();
    return {};
}

class ControlTest : public testing::TestWithParam<ControlCase> {};

TEST_P(ControlTest, SitsAtItsPlaceWithItsStartText) {
    const ControlCase& c = GetParam();
    MainWindow window(kHosts);
    auto* control = window.findChild<QWidget*>(QString::fromUtf16(c.layoutName));
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->parentWidget(), &window);
    EXPECT_EQ(control->geometry(), c.geometry);
    EXPECT_TRUE(window.rect().contains(control->geometry()));
    if (c.text) {
        EXPECT_EQ(shownText(control), QString::fromUtf16(c.text));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ControlTest,
    testing::Values(ControlCase{"Hint", u"透明标签5", {210, 135, 168, 20}, u"双击播放；选择后右击可下载"},
                    ControlCase{"PlayMode", u"组合框1", {384, 135, 72, 20}, u"单次播放"},
                    ControlCase{"NumberCaption", u"透明标签4", {8, 135, 65, 20}, u"Vokari主页号："},
                    ControlCase{"Player", u"超文本浏览框1", {8, 436, 448, 43}, nullptr},
                    ControlCase{"Grid", u"高级表格1", {8, 162, 448, 268}, nullptr},
                    ControlCase{"Query", u"查询", {154, 135, 48, 20}, u"查询"},
                    ControlCase{"Number", u"编辑框2", {78, 136, 72, 20}, u""},
                    ControlCase{"Fans", u"透明标签3", {376, 102, 80, 24}, u"粉丝"},
                    ControlCase{"Follows", u"透明标签2", {260, 102, 80, 24}, u"关注"},
                    ControlCase{"Works", u"透明标签1", {145, 102, 80, 24}, u"作品"},
                    ControlCase{"FansIcon", u"粉丝图", {376, 14, 80, 80}, nullptr},
                    ControlCase{"FollowsIcon", u"关注图", {260, 14, 80, 80}, nullptr},
                    ControlCase{"WorksIcon", u"作品图", {145, 14, 80, 80}, nullptr},
                    ControlCase{"MemberPicture", u"图片框1", {8, 8, 128, 120}, nullptr}),
    testing_support::caseName);

TEST(WindowStart, FixedFrameCaptionAndAccessors) {
    MainWindow window(kHosts);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Vokari小工具"));
    // The caption reads back as GBK: 小工具 is D0 A1 B9 A4 BE DF.
    EXPECT_EQ(window.caption(), Text("Vokari\xD0\xA1\xB9\xA4\xBE\xDF"));
    EXPECT_EQ(window.size(), QSize(MainWindow::kClientWidth, MainWindow::kClientHeight));
    EXPECT_EQ(window.minimumSize(), window.maximumSize());
    EXPECT_EQ(window.pos(), QPoint(50, 50));
    EXPECT_EQ(window.hosts().player, Text("player.test:83"));
    EXPECT_FALSE(window.closing());

    // Each accessor hands out the control of that layout name.
    const std::pair<QWidget*, const char16_t*> named[] = {
        {window.numberEdit(), u"编辑框2"},     {window.queryButton(), u"查询"},   {window.playModeBox(), u"组合框1"},
        {window.worksLabel(), u"透明标签1"},   {window.followsLabel(), u"透明标签2"},
        {window.fansLabel(), u"透明标签3"},    {window.memberPicture(), u"图片框1"},
        {window.grid(), u"高级表格1"},         {window.player(), u"超文本浏览框1"},
    };
    for (const auto& [widget, layoutName] : named) EXPECT_EQ(widget->objectName(), QString::fromUtf16(layoutName));
}

TEST(WindowStart, PlayModeBoxOffersOnceAndLoopAndTakesNoTyping) {
    MainWindow window(kHosts);
    QComboBox* box = window.playModeBox();
    ASSERT_EQ(box->count(), 2);
    EXPECT_EQ(box->itemText(0), QStringLiteral("单次播放"));
    EXPECT_EQ(box->itemText(1), QStringLiteral("单曲循环"));
    EXPECT_EQ(box->currentIndex(), 0);
    EXPECT_FALSE(box->isEditable());
}

TEST(WindowStart, PicturesAndPlayer) {
    MainWindow window(kHosts);
    EXPECT_TRUE(window.worksIcon()->hasPicture());
    EXPECT_TRUE(window.followsIcon()->hasPicture());
    EXPECT_TRUE(window.fansIcon()->hasPicture());
    EXPECT_FALSE(window.memberPicture()->hasPicture());
    EXPECT_EQ(window.player()->address(), QStringLiteral("http://player.test:83/play/swf/03.swf"));
    EXPECT_FALSE(window.player()->loading());
}

TEST(WindowStart, GridHasOnlyItsHeaderRow) {
    MainWindow window(kHosts);
    SongGrid* grid = window.grid();
    EXPECT_EQ(grid->gridRowCount(), 1);
    EXPECT_EQ(grid->currentGridRow(), 0);
    const char16_t* headers[] = {u"歌名", u"地址", u"收听", u"礼物", u"转发", u" 留言"};
    const int widths[] = {205, 0, 56, 56, 56, 56};
    ASSERT_EQ(grid->columnCount(), 6);
    for (int column = 0; column < 6; ++column) {
        EXPECT_EQ(toQString(grid->cellText(0, column)), QString::fromUtf16(headers[column])) << column;
        EXPECT_EQ(grid->columnWidth(column), widths[column]) << column;
    }
}

TEST(WindowStart, HiddenAddressColumnKeepsWhatIsWrittenThere) {
    MainWindow window(kHosts);
    SongGrid* grid = window.grid();
    window.show();
    grid->appendRow();
    const Text address("http://web.test:81/s/AbC-12_x");
    grid->setCellText(1, 1, address);
    EXPECT_EQ(grid->cellText(1, 1), address);
    EXPECT_EQ(grid->columnWidth(1), 0);
    // Out of sight: no pixel of the row belongs to column 1.
    EXPECT_EQ(grid->columnViewportPosition(2), grid->columnViewportPosition(1));
}

struct IconCase {
    VOKARI_PRINT_CASE_BY_NAME(IconCase)
    const char* name;
    const char* resource;
    QColor circle;
};

class CountIconTest : public testing::TestWithParam<IconCase> {};

TEST_P(CountIconTest, IsAnEightyPixelCircleOnTransparency) {
    const IconCase& c = GetParam();
    MainWindow window(kHosts);  // makes sure the resources are registered
    const QImage icon(QString::fromLatin1(c.resource));
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(icon.size(), QSize(80, 80));
    EXPECT_TRUE(icon.hasAlphaChannel());
    EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(79, 79).alpha(), 0);
    EXPECT_EQ(icon.pixelColor(40, 40), c.circle);  // the glyph leaves the centre free
    EXPECT_EQ(icon.pixelColor(40, 4), c.circle);
    bool hasWhiteGlyph = false;
    for (int y = 0; y < 80 && !hasWhiteGlyph; ++y)
        for (int x = 0; x < 80 && !hasWhiteGlyph; ++x) hasWhiteGlyph = icon.pixelColor(x, y) == QColor(Qt::white);
    EXPECT_TRUE(hasWhiteGlyph);
}

INSTANTIATE_TEST_SUITE_P(Table, CountIconTest,
                         testing::Values(IconCase{"Works", ":/icons/works.png", QColor(238, 121, 113)},
                                         IconCase{"Follows", ":/icons/follows.png", QColor(157, 200, 94)},
                                         IconCase{"Fans", ":/icons/fans.png", QColor(182, 155, 222)}),
                         testing_support::caseName);

TEST(WindowStart, ApplicationIconComesInEverySize) {
    MainWindow window(kHosts);
    const QList<QSize> sizes = window.windowIcon().availableSizes();
    for (const int size : {128, 96, 64, 48, 32}) EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;
}

}  // namespace
}  // namespace vokari
