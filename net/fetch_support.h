// Small pieces the three fetchers share. Each fetcher keeps its own defaults;
// only rules that are the same everywhere live here.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "text/text.h"

namespace vokari {

// An output the caller left out is written into a scratch place and lost.
template <typename T>
class Output {
public:
    explicit Output(T* target) : target_(target) {}
    void set(T value) const {
        if (target_) *target_ = std::move(value);
    }

private:
    T* target_;
};

// Every "Set-Cookie", in any letter case, spelled exactly so.
inline Text spellSetCookie(const Text& block) {
    return replaceText(block, "Set-Cookie", "Set-Cookie", 1, std::nullopt, false);
}

// Seconds to milliseconds, with the fetcher's default for 0 or less and a
// ceiling no caller can overflow.
inline long timeoutMs(int seconds, long defaultMs) {
    if (seconds <= 0) return defaultMs;
    return static_cast<long>(std::min(seconds, 24 * 3600)) * 1000L;
}

// A header block split into its lines, empty lines left out.
inline std::vector<std::string> headerLinesOf(const Text& block) {
    std::vector<std::string> lines;
    for (const Text& line : splitText(block, "\r\n")) {
        if (!line.empty()) lines.push_back(line.str());
    }
    return lines;
}

// The basic scheme carries "user:password"; a colon in the user name or a
// line break in either would change what the server reads.
inline bool basicSchemeCarries(const Text& user, const Text& password) {
    const auto unsafe = [](unsigned char c) { return c < 0x20 || c == 0x7F; };
    return user.view().find(':') == std::string_view::npos && std::none_of(user.view().begin(), user.view().end(), unsafe) &&
           std::none_of(password.view().begin(), password.view().end(), unsafe);
}

}  // namespace vokari
