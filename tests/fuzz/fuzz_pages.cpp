// A profile page, a song-list page and a song page taken apart exactly as the
// query and the play command take them apart, with the page arithmetic and
// the song-name decoding.
#include <cstdlib>

#include "app/commands/page_arithmetic.h"
#include "app/commands/page_reading.h"
#include "tests/fuzz/fuzz_input.h"
#include "text/codepage.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const ServiceHosts hosts{"127.0.0.1:47080", "127.0.0.1:47080", "127.0.0.1:47080"};
    ProgramState state;

    state.profilePage = profilePageOf(Text(in.piece()));
    (void)pictureAddressOf(state.profilePage);
    (void)profileCount(state.profilePage, kWorksIcon);
    (void)profileCount(state.profilePage, kFollowsIcon);
    (void)profileCount(state.profilePage, kFansIcon);
    state.userId = userIdOf(state.profilePage);
    state.pageRatio = pageRatioOf(workCountOf(state.profilePage));
    state.pageCount = pageCountOf(state.pageRatio);
    // Whatever the count says, the loop stays within the clamped 32-bit count
    // over twenty, as a float: (2^31 - 1) / 20 rounds to 107374184. Zero or
    // less asks for no page at all.
    const std::int32_t lastPage = lastPageNumber(state.pageCount);
    if (lastPage > 107374184) std::abort();

    state.songListPage = Text(in.piece());
    readSongList(state, hosts);
    const auto songs = static_cast<std::int32_t>(state.songNames.size());
    for (std::int32_t i = 1; i <= songs; ++i) {
        (void)unescapeUnicode(itemOf(state.songNames, i));
        for (const TextList* list : {&state.songAddresses, &state.listenCounts, &state.flowerCounts,
                                     &state.forwardCounts, &state.commentCounts}) {
            (void)itemOf(*list, i);
        }
    }

    state.workPage = Text(in.piece());
    readSongPage(state, hosts);
    if (state.mp3Address.empty()) std::abort();  // always an address, at worst the media host's
    return 0;
}
