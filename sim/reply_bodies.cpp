#include "sim/reply_bodies.h"

#include "sim/pages.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace vokari::sim {

Payload payloadOf(const Reply& reply) {
    if (reply.recording) {
        auto recording = std::make_shared<Mp3Recording>(*reply.recording);
        return {recording->size(), [recording](std::uint64_t o, std::size_t n) { return recording->read(o, n); }};
    }
    auto body = std::make_shared<std::string>(reply.body);
    return {body->size(), [body](std::uint64_t o, std::size_t n) {
                return o >= body->size() ? std::string() : body->substr(static_cast<std::size_t>(o), n);
            }};
}

Payload hugePayload(const Reply& reply, std::uint64_t total) {
    Payload head = payloadOf(reply);
    const std::uint64_t lineLength = fillerLine(0).size();
    total = std::max(total, head.size);
    auto read = [head, lineLength, total](std::uint64_t offset, std::size_t length) {
        std::string out;
        while (out.size() < length && offset + out.size() < total) {
            const std::uint64_t at = offset + out.size();
            const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(length - out.size(), total - at));
            if (at < head.size) {
                out += head.read(at, static_cast<std::size_t>(std::min<std::uint64_t>(want, head.size - at)));
            } else {
                const std::uint64_t inFiller = at - head.size;
                const std::string line = fillerLine(inFiller / lineLength);
                out.append(line, static_cast<std::size_t>(inFiller % lineLength), want);
            }
        }
        return out;
    };
    return {total, read};
}

std::string noise(std::size_t size, std::uint64_t seed) {
    std::string out(size, '\0');
    std::uint64_t x = seed | 1;
    for (char& c : out) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        c = static_cast<char>(x >> 24);
    }
    return out;
}

// The label ends at the first byte that cannot belong to one; an optional
// quote before it stays. Only a declaration where readers look for one counts.
std::string withCharsetLabel(std::string body, std::string_view label) {
    auto at = body.find("charset=");
    if (at == std::string::npos || at > 1024) return body;
    at += 8;
    if (at < body.size() && (body[at] == '"' || body[at] == '\'')) ++at;
    auto end = at;
    while (end < body.size() && (std::isalnum(static_cast<unsigned char>(body[end])) || body[end] == '-' ||
                                 body[end] == '_'))
        ++end;
    return body.replace(at, end - at, label);
}

// Before <body>, so a reader that stops at the zero byte loses every marker.
std::string withZeroByte(std::string body) {
    auto at = body.find("<body");
    if (at == std::string::npos) at = body.size() / 2;
    return body.insert(at, 1, '\0');
}

}  // namespace vokari::sim
