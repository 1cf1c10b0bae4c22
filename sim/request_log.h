// The request log: one line per request with the request line and every
// header line exactly as it arrived, in order, so the tests of the fetchers
// can check what really crossed the wire.
//
// Line format: the request line, then each header line, separated by tabs.
// Inside a field a backslash is written "\\", a tab "\t" and any other control
// byte "\xHH"; every other byte is written as received.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari::sim {

struct LoggedRequest {
    std::string method;
    std::string target;
    std::string requestLine;
    std::vector<std::string> headerLines;  // "Name: value", as sent
};

// `head` is the request head as received, ending in a blank line.
std::string formatLogLine(std::string_view head);
std::optional<LoggedRequest> parseLogLine(std::string_view line);
// Every request in a log file, oldest first; empty when it cannot be read.
std::vector<LoggedRequest> readRequestLog(const std::string& path);

// Appends lines to the log file; each line is flushed before the reply is
// sent, so a client that has its answer finds its request in the file.
class RequestLog {
public:
    bool open(const std::string& path);
    void write(std::string_view head);

private:
    struct FileCloser {
        void operator()(std::FILE* f) const { std::fclose(f); }
    };
    std::mutex mutex_;
    std::unique_ptr<std::FILE, FileCloser> file_;
};

}  // namespace vokari::sim
