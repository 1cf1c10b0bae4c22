// A plain libcurl GET for the simulator's tests: what came back, byte for
// byte, and how the transfer ended. One easy handle per call, freed on return.
#pragma once

#include <curl/curl.h>

#include <strings.h>

#include <memory>
#include <string>
#include <vector>

namespace vokari::sim::testing {

struct HttpAnswer {
    CURLcode code = CURLE_OK;
    long status = 0;
    std::string headers;  // the raw header block, status line included
    std::string body;
};

struct HttpRequest {
    std::vector<std::string> headers;  // extra lines, "Name: value"
    std::string range;                 // "0-99" and the like; empty: none
    long timeoutMs = 30000;
    bool followRedirects = false;
    bool headOnly = false;
};

inline HttpAnswer httpGet(const std::string& url, const HttpRequest& request = {}) {
    struct CurlDeleter {
        void operator()(CURL* c) const { curl_easy_cleanup(c); }
        void operator()(curl_slist* l) const { curl_slist_free_all(l); }
    };
    HttpAnswer answer;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    std::unique_ptr<curl_slist, CurlDeleter> lines;
    for (const std::string& h : request.headers) lines.reset(curl_slist_append(lines.release(), h.c_str()));
    auto append = +[](char* data, size_t size, size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    };
    curl_easy_setopt(curl.get(), CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_HTTPHEADER, lines.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, append);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &answer.body);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERFUNCTION, append);
    curl_easy_setopt(curl.get(), CURLOPT_HEADERDATA, &answer.headers);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT_MS, request.timeoutMs);
    curl_easy_setopt(curl.get(), CURLOPT_FOLLOWLOCATION, request.followRedirects ? 1L : 0L);
    curl_easy_setopt(curl.get(), CURLOPT_MAXREDIRS, 20L);
    curl_easy_setopt(curl.get(), CURLOPT_NOBODY, request.headOnly ? 1L : 0L);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    if (!request.range.empty()) curl_easy_setopt(curl.get(), CURLOPT_RANGE, request.range.c_str());
    answer.code = curl_easy_perform(curl.get());
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &answer.status);
    return answer;
}

// The value of the first header line with this name (ASCII case ignored).
inline std::string headerValue(const std::string& headers, const std::string& name) {
    std::size_t at = 0;
    while (at < headers.size()) {
        const auto end = headers.find("\r\n", at);
        const std::string line = headers.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (line.size() > name.size() && line[name.size()] == ':' &&
            strncasecmp(line.c_str(), name.c_str(), name.size()) == 0) {
            const auto value = line.find_first_not_of(' ', name.size() + 1);
            return value == std::string::npos ? std::string() : line.substr(value);
        }
        if (end == std::string::npos) break;
        at = end + 2;
    }
    return {};
}

}  // namespace vokari::sim::testing
