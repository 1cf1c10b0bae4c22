// The bodies a reply can carry: the site's own, read in pieces so large ones
// never sit in memory whole, and the altered ones that fault modes send.
#pragma once

#include "sim/site.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace vokari::sim {

// A reply body read in pieces: an in-memory page, an MP3 recording, or a
// page followed by filler.
struct Payload {
    std::uint64_t size = 0;
    std::function<std::string(std::uint64_t offset, std::size_t length)> read;
};

Payload payloadOf(const Reply& reply);
// The reply, then lines of HTML comment up to `total` bytes.
Payload hugePayload(const Reply& reply, std::uint64_t total);

// Deterministic noise: the same fault gives the same bytes every run.
std::string noise(std::size_t size, std::uint64_t seed);
// The page with the label after its first "charset=" replaced.
std::string withCharsetLabel(std::string body, std::string_view label);
// The page with a zero byte just before <body>, or in its middle.
std::string withZeroByte(std::string body);

}  // namespace vokari::sim
