// Every address the commands ask for, built on the three service hosts. The
// pieces that come from the user or from the service go in exactly as they
// are; the network layer percent-encodes what cannot travel as it is.
#pragma once

#include <cstdint>

#include "app/service_hosts.h"
#include "text/text.h"

namespace vokari {

Text profileAddress(const ServiceHosts& hosts, const Text& memberNumber);
Text songListAddress(const ServiceHosts& hosts, std::int32_t pageIndex, const Text& userId);
// Goes in front of each song's enworkid, so the grid holds whole addresses.
Text songPagePrefix(const ServiceHosts& hosts);
Text mediaAddress(const ServiceHosts& hosts, const Text& workId);

// The player page with no sound file: showing it stops any playback.
Text barePlayerAddress(const ServiceHosts& hosts);
// The player told to start the MP3 at once, once or over and over.
Text playerAddress(const ServiceHosts& hosts, const Text& mp3Address, bool loop);

}  // namespace vokari
