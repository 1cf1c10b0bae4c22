// How the player box reads a player address. The sound file's own address is
// taken whole, even when it holds the keys the flags use.
#include <gtest/gtest.h>

#include "app/player_box.h"
#include "tests/support/case_table.h"

namespace vokari {
namespace {

struct AddressCase {
    VOKARI_PRINT_CASE_BY_NAME(AddressCase)
    const char* name;
    const char* address;
    const char* soundFile;
    bool autostart;
    bool loop;
};

class PlayerAddressTest : public testing::TestWithParam<AddressCase> {};

TEST_P(PlayerAddressTest, ReadsSoundFileAndFlags) {
    const AddressCase& c = GetParam();
    const PlayerRequest request = parsePlayerAddress(QString::fromUtf8(c.address));
    EXPECT_EQ(request.soundFile, QString::fromUtf8(c.soundFile));
    EXPECT_EQ(request.autostart, c.autostart);
    EXPECT_EQ(request.loop, c.loop);
}

#define PLAYER "http://p.test/play/swf/03.swf"

INSTANTIATE_TEST_SUITE_P(
    Table, PlayerAddressTest,
    testing::Values(
        AddressCase{"Once", PLAYER "?soundFile=http://m.test/userdata/userwork/12.mp3&autostart=yes&loop=no",
                    "http://m.test/userdata/userwork/12.mp3", true, false},
        AddressCase{"Loop", PLAYER "?soundFile=http://m.test/userdata/userwork/12.mp3&autostart=yes&loop=yes",
                    "http://m.test/userdata/userwork/12.mp3", true, true},
        AddressCase{"Bare", PLAYER, "", false, false},
        AddressCase{"BareWithSpaces", PLAYER "    ", "", false, false},
        AddressCase{"SoundHoldsAmpersands", PLAYER "?soundFile=http://o.test/get?id=12&fmt=mp3&autostart=yes&loop=no",
                    "http://o.test/get?id=12&fmt=mp3", true, false},
        // The flags the play command appends come last; copies inside the
        // sound file's address belong to the sound file.
        AddressCase{"SoundHoldsTheFlagKeys",
                    PLAYER "?soundFile=http://o.test/a.mp3?x=1&autostart=no&loop=no&autostart=yes&loop=yes",
                    "http://o.test/a.mp3?x=1&autostart=no&loop=no", true, true},
        AddressCase{"NothingDecoded", PLAYER "?soundFile=http://m.test/a%20b+c.mp3&autostart=yes&loop=no",
                    "http://m.test/a%20b+c.mp3", true, false},
        AddressCase{"EmptySoundFile", PLAYER "?soundFile=&autostart=yes&loop=no", "", true, false},
        AddressCase{"EmptyWorkId", PLAYER "?soundFile=http://m.test/userdata/userwork/.mp3&autostart=yes&loop=no",
                    "http://m.test/userdata/userwork/.mp3", true, false},
        AddressCase{"NoAutostart", PLAYER "?soundFile=http://m.test/a.mp3&loop=yes", "http://m.test/a.mp3", false, true},
        AddressCase{"OnlyYesCounts", PLAYER "?soundFile=http://m.test/a.mp3&autostart=1&loop=true",
                    "http://m.test/a.mp3", false, false},
        AddressCase{"SoundFileNotFirst", PLAYER "?x=1&soundFile=http://m.test/a.mp3&autostart=yes",
                    "http://m.test/a.mp3", true, false},
        AddressCase{"NoSoundFileKey", PLAYER "?autostart=yes&loop=yes", "", false, false},
        AddressCase{"KeyMustMatchCase", PLAYER "?soundfile=http://m.test/a.mp3&autostart=yes", "", false, false}),
    testing_support::caseName);

}  // namespace
}  // namespace vokari
