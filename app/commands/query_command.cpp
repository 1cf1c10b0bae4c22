#include <algorithm>
#include <cstdint>
#include <limits>

#include <QLabel>
#include <QLineEdit>

#include "app/commands/command_run.h"
#include "app/commands/commands.h"
#include "app/commands/page_arithmetic.h"
#include "app/commands/page_reading.h"
#include "app/commands/service_addresses.h"
#include "app/event_pumps.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/player_box.h"
#include "app/qt_text.h"
#include "app/song_grid.h"
#include "net/fetch.h"
#include "text/codepage.h"

namespace vokari {

namespace {

const Text kLoadingCaption(
    "\xD5\xFD\xD4\xDA\xD4\xD8\xC8\xEB\xB8\xE8\xC7\xFA\xC4\xBF\xC2\xBC\xA3\xAC\xC7\xEB\xB5\xC8\xB4\xFD...");  // 正在载入歌曲目录，请等待...
const Text kProgressCaption("\xD4\xD8\xC8\xEB\xD6\xD0\xA3\xBA");  // 载入中：
const Text kDoneCaptionStart(
    "\xD4\xD8\xC8\xEB\xCD\xEA\xB3\xC9\xA3\xAC\xB9\xB2\xD4\xD8\xC8\xEB\xB8\xE8\xC7\xFA ");  // "载入完成，共载入歌曲 "
const Text kDoneCaptionEnd(" \xCA\xD7");                                                 // " 首"

constexpr int kWaitMilliseconds = 500;

// The picture, the three counts, the user id and the page arithmetic.
void showProfile(MainWindow& window) {
    ProgramState& state = window.state();
    const Bytes picture = fetchBytes(pictureAddressOf(state.profilePage));
    if (window.closing()) return;
    window.memberPicture()->showPictureBytes(picture);
    window.worksLabel()->setText(toQString(profileCount(state.profilePage, kWorksIcon)));
    state.userId = userIdOf(state.profilePage);
    state.pageRatio = pageRatioOf(workCountOf(state.profilePage));
    state.pageCount = pageCountOf(state.pageRatio);
    window.followsLabel()->setText(toQString(profileCount(state.profilePage, kFollowsIcon)));
    window.fansLabel()->setText(toQString(profileCount(state.profilePage, kFansIcon)));
}

// Each cell goes to the grid's last row, read afresh before every write.
void writeLastRowCell(SongGrid& grid, int column, const Text& text) {
    grid.setCellText(grid.gridRowCount() - 1, column, text);
}

void appendSongRow(MainWindow& window) {
    const ProgramState& state = window.state();
    SongGrid& grid = *window.grid();
    const std::int32_t i = state.songIndex;
    grid.appendRow();
    window.setCaption(kProgressCaption + numberToText(grid.gridRowCount() - 1) + "/" +
                      workCountOf(state.profilePage));
    writeLastRowCell(grid, 0, unescapeUnicode(itemOf(state.songNames, i)));
    writeLastRowCell(grid, 1, itemOf(state.songAddresses, i));
    writeLastRowCell(grid, 2, itemOf(state.listenCounts, i));
    writeLastRowCell(grid, 3, itemOf(state.flowerCounts, i));
    writeLastRowCell(grid, 4, itemOf(state.forwardCounts, i));
    writeLastRowCell(grid, 5, itemOf(state.commentCounts, i));
}

// A song-list page that did not arrive whole, cut by the connection (its
// 713) or by a zero byte that ends the text early, would give its last song
// a row without counts: such a page counts as a failed one and adds no row.
Text wholeSongListPage(const Text& address) {
    Text status;
    Bytes body;
    Text page = fetchText(address, {.status = &status, .rawBody = &body});
    if (status.str().starts_with("713") || body.find('\0') != Bytes::npos) return {};
    return page;
}

// One song-list page: fetch it, cut its lists, add its rows.
void loadSongListPage(MainWindow& window) {
    ProgramState& state = window.state();
    Text page = wholeSongListPage(songListAddress(window.hosts(), state.pageNumber - 1, state.userId));
    if (window.closing()) return;
    state.songListPage = std::move(page);
    readSongList(state, window.hosts());
    const auto songs = static_cast<std::int32_t>(
        std::min<std::size_t>(state.songNames.size(), std::numeric_limits<std::int32_t>::max()));
    for (state.songIndex = 1; state.songIndex <= songs && !window.closing(); ++state.songIndex) {
        appendSongRow(window);
    }
}

void loadSongListPages(MainWindow& window) {
    ProgramState& state = window.state();
    // The clamped work count keeps this far below the 32-bit limit, so the
    // counter cannot overflow.
    const std::int32_t lastPage = lastPageNumber(state.pageCount);
    for (state.pageNumber = 1; state.pageNumber <= lastPage && !window.closing(); ++state.pageNumber) {
        loadSongListPage(window);
    }
}

}  // namespace

void onQueryClicked(MainWindow& window) {
    CommandRun run(window);
    if (!run.claimed()) return;
    ProgramState& state = window.state();
    // The bare player page stops any playback; the four trailing spaces are
    // kept as the program has always sent them.
    window.player()->setAddress(toQString(barePlayerAddress(window.hosts()) + "    "));
    window.grid()->setGridRowCount(1);

    Text profile = fetchText(profileAddress(window.hosts(), toText(window.numberEdit()->text())));
    if (window.closing()) return;
    state.profilePage = profilePageOf(profile);
    showProfile(window);
    if (window.closing()) return;

    window.setCaption(kLoadingCaption);
    waitProcessingEvents(kWaitMilliseconds);
    if (window.closing()) return;
    loadSongListPages(window);
    if (window.closing()) return;
    waitProcessingEvents(kWaitMilliseconds);
    if (window.closing()) return;
    window.setCaption(kDoneCaptionStart + workCountOf(state.profilePage) + kDoneCaptionEnd);
}

}  // namespace vokari
