#include "app/commands/page_reading.h"

#include <cstddef>

#include "app/commands/service_addresses.h"

namespace vokari {

Text profilePageOf(const Text& fetchedPage) { return replaceMany(fetchedPage, {{"\r\n", ""}, {charFromCode(9), ""}}); }

Text pictureAddressOf(const Text& profilePage) {
    return textBetween(textBetween(profilePage, "userPage-relative inline-block\"", "username"), "\"", "\"");
}

Text profileCount(const Text& profilePage, const Text& iconClass) {
    return textBetween(textBetween(profilePage, iconClass, "</span>"), "\">", "<");
}

Text userIdOf(const Text& profilePage) { return textBetween(profilePage, "var userid = '", "'"); }

Text workCountOf(const Text& profilePage) { return textBetween(profilePage, "var worknum = ", ";"); }

void readSongList(ProgramState& state, const ServiceHosts& hosts) {
    const Text& page = state.songListPage;
    allTextBetween(page, "songname\":\"", "\"", state.songNames);
    allTextBetween(page, "enworkid\":\"", "\"", state.songAddresses, {.prefix = songPagePrefix(hosts)});
    allTextBetween(page, "listennum\":", ",", state.listenCounts);
    allTextBetween(page, "flowernum\":", ",", state.flowerCounts);
    allTextBetween(page, "forwardnum\":", ",", state.forwardCounts);
    allTextBetween(page, "commentnum\":", ",", state.commentCounts);
}

Text itemOf(const TextList& list, std::int32_t index) {
    if (index < 1 || static_cast<std::size_t>(index) > list.size()) return {};
    return list[static_cast<std::size_t>(index) - 1];
}

void readSongPage(ProgramState& state, const ServiceHosts& hosts) {
    state.workId = textBetween(state.workPage, "data-workid=\"", "\"");
    state.pageAudioAddress = textBetween(state.workPage, "var a=\"", "\"");
    // The page's own address wins whenever it names the work, whatever its host.
    if (countOccurrences(state.pageAudioAddress, state.workId) > 0) {
        state.mp3Address = state.pageAudioAddress;
    } else {
        state.mp3Address = mediaAddress(hosts, state.workId);
    }
}

}  // namespace vokari
