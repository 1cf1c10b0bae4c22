// Marker extraction over a 1 MB song-list page, next to the plainest scan
// that finds the same fields: std::string_view::find from marker to marker.
// The page is song-list JSON like the service sends, so the markers and the
// distances between them are the ones the query meets.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string songListPage(std::size_t targetBytes) {
    std::string page = "{\"status\":1,\"data\":[";
    for (int i = 0; page.size() < targetBytes; ++i) {
        page += "{\"songname\":\"\\u4f60\\u597d song " + std::to_string(i) + "\",\"enworkid\":\"w" +
                std::to_string(100000 + i) + "x\",\"listennum\":" + std::to_string(i * 7) +
                ",\"flowernum\":" + std::to_string(i % 13) + ",\"forwardnum\":" + std::to_string(i % 5) +
                ",\"commentnum\":" + std::to_string(i % 11) +
                ",\"singer\":\"\xB8\xE8\xCA\xD6\",\"cover\":\"http://img.example/c/" + std::to_string(i) + ".jpg\"},";
    }
    page += "]}";
    return page;
}

// Best of several runs, in microseconds.
double bestMicros(const std::function<std::size_t()>& run, std::size_t& sink) {
    double best = 1e300;
    for (int i = 0; i < 15; ++i) {
        auto start = Clock::now();
        sink += run();
        best = std::min(best, std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    return best;
}

std::size_t baselineFields(std::string_view page, std::string_view left, std::string_view right) {
    std::vector<std::string> fields;
    std::size_t pos = 0;
    while (true) {
        std::size_t l = page.find(left, pos);
        if (l == std::string_view::npos) break;
        std::size_t r = page.find(right, l + left.size());
        if (r == std::string_view::npos) break;
        fields.emplace_back(page.substr(l + left.size(), r - l - left.size()));
        pos = r;
    }
    return fields.size();
}

void report(const char* what, double ours, double baseline, std::size_t fields) {
    std::printf("%-44s %9.0f us   baseline %9.0f us   ratio %5.2f   (%zu fields)\n", what, ours, baseline,
                ours / baseline, fields);
}

}  // namespace

int main() {
    const std::string raw = songListPage(1 << 20);
    const vokari::Text page(raw);
    std::size_t sink = 0;
    std::printf("page: %zu bytes\n", raw.size());

    for (bool caseSensitive : {false, true}) {
        vokari::TextList list;
        double ours = bestMicros(
            [&] {
                return static_cast<std::size_t>(vokari::allTextBetween(page, "songname\":\"", "\"", list,
                                                                       {.caseSensitive = caseSensitive}));
            },
            sink);
        double base = bestMicros([&] { return baselineFields(raw, "songname\":\"", "\""); }, sink);
        report(caseSensitive ? "allTextBetween songname (case counts)" : "allTextBetween songname (ASCII case folded)",
               ours, base, list.size());
    }

    const std::string needle = "\"]}";  // only at the very end: a scan of the whole page
    for (bool ignoreCase : {false, true}) {
        double ours = bestMicros(
            [&] { return static_cast<std::size_t>(vokari::findText(page, needle, 1, ignoreCase)); }, sink);
        double base = bestMicros([&] { return std::string_view(raw).find(needle); }, sink);
        report(ignoreCase ? "findText to the end (ASCII case folded)" : "findText to the end (case counts)", ours,
               base, std::size_t{1});
    }

    double ours = bestMicros(
        [&] { return vokari::replaceText(page, "\\u", "%u", 1, std::nullopt, true).size(); }, sink);
    double base = bestMicros(
        [&] {
            std::string out;
            std::string_view s(raw);
            std::size_t pos = 0;
            for (std::size_t f; (f = s.find("\\u", pos)) != std::string_view::npos; pos = f + 2) {
                out.append(s.substr(pos, f - pos)).append("%u");
            }
            out.append(s.substr(pos));
            return out.size();
        },
        sink);
    report("replaceText \\u -> %u (case counts)", ours, base, std::size_t{0});
    std::printf("(checksum %zu)\n", sink);
    return 0;
}
