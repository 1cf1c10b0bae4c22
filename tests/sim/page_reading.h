// Reading the simulator's pages the way the tool reads them, written out
// independently here so the tests check the pages, not the server's own code.
#pragma once

#include <unicode/ucnv.h>

#include <memory>
#include <optional>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

namespace vokari::sim::testing {

// The charset a meta element declares within the first 1024 bytes.
inline std::string declaredCharset(std::string_view page) {
    const std::string head(page.substr(0, 1024));
    static const std::regex meta("<meta.+?charset=[^\\w]?([-\\w]+)", std::regex::icase);
    std::smatch m;
    return std::regex_search(head, m, meta) ? m[1].str() : std::string();
}

// The bytes decoded from `label` into UTF-8, or nothing if any byte is not
// valid in that charset. The conversion substitutes for bad bytes instead of
// failing, so a round trip back to the same bytes is the proof.
inline std::optional<std::string> decodeStrictly(std::string_view bytes, const std::string& label) {
    const char* name = label == "utf-8" ? "UTF-8" : "windows-936";
    UErrorCode status = U_ZERO_ERROR;
    std::string out(bytes.size() * 3 + 16, '\0');
    const int32_t n = ucnv_convert("UTF-8", name, out.data(), static_cast<int32_t>(out.size()), bytes.data(),
                                   static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    out.resize(static_cast<std::size_t>(n));
    std::string back(out.size() * 2 + 16, '\0');
    const int32_t m = ucnv_convert(name, "UTF-8", back.data(), static_cast<int32_t>(back.size()), out.data(), n,
                                   &status);
    if (U_FAILURE(status) || std::string_view(back.data(), static_cast<std::size_t>(m)) != bytes) return std::nullopt;
    return out;
}

// The page with every CR LF pair and every tab removed, as the tool prepares it.
inline std::string stripped(std::string_view page) {
    std::string out;
    for (std::size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\t') continue;
        if (page[i] == '\r' && i + 1 < page.size() && page[i + 1] == '\n') {
            ++i;
            continue;
        }
        out.push_back(page[i]);
    }
    return out;
}

// The text between the first `left` and the first `right` after it.
inline std::string between(std::string_view text, std::string_view left, std::string_view right) {
    const auto l = text.find(left);
    if (l == std::string_view::npos) return {};
    const auto r = text.find(right, l + left.size());
    if (r == std::string_view::npos) return {};
    return std::string(text.substr(l + left.size(), r - l - left.size()));
}

inline std::vector<std::string> allBetween(std::string_view text, std::string_view left, std::string_view right) {
    std::vector<std::string> out;
    for (auto l = text.find(left); l != std::string_view::npos; l = text.find(left, l + left.size())) {
        const auto r = text.find(right, l + left.size());
        if (r == std::string_view::npos) break;
        out.emplace_back(text.substr(l + left.size(), r - l - left.size()));
    }
    return out;
}

// A song-list string value decoded to UTF-8: \uXXXX (with surrogate pairs),
// \/ and \\ resolved.
inline std::string decodeListString(std::string_view escaped) {
    std::string out;
    auto put = [&out](char32_t cp) {
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    };
    char32_t high = 0;
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        if (escaped[i] != '\\' || i + 1 >= escaped.size()) {
            out.push_back(escaped[i]);
            continue;
        }
        const char kind = escaped[++i];
        if (kind != 'u' || i + 4 >= escaped.size()) {
            out.push_back(kind);
            continue;
        }
        const auto unit = static_cast<char32_t>(std::stoul(std::string(escaped.substr(i + 1, 4)), nullptr, 16));
        i += 4;
        if (unit >= 0xD800 && unit < 0xDC00) {
            high = unit;
        } else if (unit >= 0xDC00 && unit < 0xE000) {
            put(0x10000 + ((high - 0xD800) << 10) + (unit - 0xDC00));
        } else {
            put(unit);
        }
    }
    return out;
}

}  // namespace vokari::sim::testing
