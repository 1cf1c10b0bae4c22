// Reading the service's pages: the fields the commands cut out of a profile
// page, a song-list page and a song page. Plain text work with no window, so
// the same code runs under the fuzzers.
#pragma once

#include "app/program_state.h"
#include "app/service_hosts.h"
#include "text/text.h"

namespace vokari {

// The profile page as the query keeps it: every CR LF pair and tab removed.
Text profilePageOf(const Text& fetchedPage);

Text pictureAddressOf(const Text& profilePage);
// A count sits in the first span after its icon's class marker.
Text profileCount(const Text& profilePage, const Text& iconClass);
Text userIdOf(const Text& profilePage);
// Cut afresh for every caption, as the page holds it: spaces and all.
Text workCountOf(const Text& profilePage);

inline const Text kWorksIcon("userPage-icons userPage-work-icon\"");
inline const Text kFollowsIcon("userPage-icons userPage-follow-icon\"");
inline const Text kFansIcon("userPage-icons userPage-fans-icon\"");

// Fills the six per-page lists of the state from state.songListPage.
void readSongList(ProgramState& state, const ServiceHosts& hosts);

// Item `index` (from 1) of a list; a page that gives fewer values than names
// leaves the cell empty.
Text itemOf(const TextList& list, std::int32_t index);

// Writes workId, pageAudioAddress and mp3Address from state.workPage.
void readSongPage(ProgramState& state, const ServiceHosts& hosts);

}  // namespace vokari
