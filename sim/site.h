// What the service's three hosts answer for a request, before any fault is
// put on it: which resource was asked for, whose it is, and the reply.
#pragma once

#include "sim/catalogue.h"

#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vokari::sim {

enum class Resource { Profile, SongList, SongPage, Mp3, Picture, Player, NotFound };

struct Reply {
    Resource resource = Resource::NotFound;
    std::optional<Member> owner;  // whose page or media this is, for member faults
    int status = 200;
    std::string contentType;
    std::string body;
    std::optional<Mp3Recording> recording;  // set instead of body for MP3 files
};

struct SiteRequest {
    std::string path;                                 // decoded, without the query
    std::multimap<std::string, std::string> params;  // decoded query keys and values
    std::string host;  // host or host:port, for the addresses written into pages
};

Reply serveSite(const SiteRequest& request);

// Would this resource carry the member's own fault?
bool memberFaultApplies(const Member& member, Resource resource);

}  // namespace vokari::sim
