// Taking an address apart as text, without touching the network.
#pragma once

#include <optional>

#include "text/text.h"

namespace vokari {

struct UrlHostOptions {
    bool rootDomain = false;
    bool keepPort = false;
    std::optional<int> levels;  // supplying it selects the dot-count rule
};

Text urlHost(const Text& address, const UrlHostOptions& options = {});
int urlPort(const Text& address);
Text urlPath(const Text& address);

}  // namespace vokari
