#include "sim/request_log.h"

#include <fstream>

namespace vokari::sim {

namespace {

void appendEscaped(std::string& out, std::string_view field) {
    static constexpr char hex[] = "0123456789ABCDEF";
    for (char c : field) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\t') {
            out += "\\t";
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\x";
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 0xF]);
        } else {
            out.push_back(c);
        }
    }
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> unescape(std::string_view field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out.push_back(field[i]);
            continue;
        }
        if (i + 1 >= field.size()) return std::nullopt;
        const char kind = field[++i];
        if (kind == '\\') {
            out.push_back('\\');
        } else if (kind == 't') {
            out.push_back('\t');
        } else if (kind == 'x' && i + 2 < field.size() && hexValue(field[i + 1]) >= 0 && hexValue(field[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(field[i + 1]) * 16 + hexValue(field[i + 2])));
            i += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

// Splits the head into its lines; the blank line that ends it is not one.
std::vector<std::string_view> headLines(std::string_view head) {
    std::vector<std::string_view> lines;
    while (!head.empty()) {
        const auto end = head.find("\r\n");
        const std::string_view line = head.substr(0, end);
        if (line.empty()) break;
        lines.push_back(line);
        if (end == std::string_view::npos) break;
        head.remove_prefix(end + 2);
    }
    return lines;
}

}  // namespace

std::string formatLogLine(std::string_view head) {
    std::string out;
    bool first = true;
    for (std::string_view line : headLines(head)) {
        if (!first) out.push_back('\t');
        appendEscaped(out, line);
        first = false;
    }
    return out;
}

std::optional<LoggedRequest> parseLogLine(std::string_view line) {
    LoggedRequest request;
    bool first = true;
    while (true) {
        const auto tab = line.find('\t');
        auto field = unescape(line.substr(0, tab));
        if (!field) return std::nullopt;
        if (first) {
            request.requestLine = *field;
            first = false;
        } else {
            request.headerLines.push_back(std::move(*field));
        }
        if (tab == std::string_view::npos) break;
        line.remove_prefix(tab + 1);
    }
    const auto space = request.requestLine.find(' ');
    if (space == std::string::npos) return std::nullopt;
    request.method = request.requestLine.substr(0, space);
    const auto targetEnd = request.requestLine.find(' ', space + 1);
    request.target = request.requestLine.substr(space + 1, targetEnd == std::string::npos ? std::string::npos
                                                                                         : targetEnd - space - 1);
    return request;
}

std::vector<LoggedRequest> readRequestLog(const std::string& path) {
    std::vector<LoggedRequest> out;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line))
        if (auto request = parseLogLine(line)) out.push_back(std::move(*request));
    return out;
}

bool RequestLog::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    file_.reset(std::fopen(path.c_str(), "ab"));
    return file_ != nullptr;
}

void RequestLog::write(std::string_view head) {
    std::lock_guard lock(mutex_);
    if (!file_) return;
    const std::string line = formatLogLine(head) + "\n";
    std::fwrite(line.data(), 1, line.size(), file_.get());
    std::fflush(file_.get());
}

}  // namespace vokari::sim
