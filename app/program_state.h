// The program-wide variables through which the query, play and save commands
// hand results to each other. One instance lives in the window for the whole
// run; every field starts empty or zero.
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vokari {

struct ProgramState {
    // Written by the work resolution (play and save).
    Text workPage;          // the song page last fetched for the selected row
    Text mp3Address;        // the MP3 address resolved for the selected row
    Text workId;            // the work id cut from workPage
    Text pageAudioAddress;  // the audio address cut from workPage's script

    // Written and read by the query.
    Text profilePage;       // the profile page without CR LF pairs and tabs
    Text userId;
    float pageRatio = 0;    // work count / 20, kept single precision on purpose
    float pageCount = 0;    // pageRatio rounded up
    std::int32_t pageNumber = 0;
    Text songListPage;
    TextList songNames;
    TextList songAddresses;
    TextList listenCounts;
    TextList flowerCounts;
    TextList forwardCounts;
    TextList commentCounts;
    std::int32_t songIndex = 0;
};

}  // namespace vokari
