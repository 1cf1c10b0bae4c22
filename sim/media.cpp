#include "sim/media.h"

#include <lame/lame.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <numbers>
#include <utility>
#include <vector>

namespace vokari::sim {

namespace {

constexpr int kShortRate = 22050;  // mono, 32 kbit/s: about 4 KB a second
constexpr int kShortBitrate = 32;
constexpr int kLongRate = 44100;  // the repeated block of big files
constexpr int kLongBitrate = 128;

struct LameCloser {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
using LameHandle = std::unique_ptr<lame_global_flags, LameCloser>;

std::vector<short> tone(double hertz, int rate, int samples) {
    std::vector<short> pcm(static_cast<std::size_t>(samples));
    for (int i = 0; i < samples; ++i) {
        // A short fade at both ends keeps the repeats of big files free of clicks.
        const double edge = std::min({1.0, i / 400.0, (samples - i) / 400.0});
        const double value = std::sin(2.0 * std::numbers::pi * hertz * i / rate) * edge * 9000.0;
        pcm[static_cast<std::size_t>(i)] = static_cast<short>(value);
    }
    return pcm;
}

// Encodes PCM as plain CBR frames with no VBR info frame, so repeating the
// block gives a stream any player accepts. Without the bit reservoir, no frame
// borrows bytes from the one before it, which is what makes repeating safe.
std::string encode(const std::vector<short>& pcm, int rate, int bitrate) {
    LameHandle flags(lame_init());
    if (!flags) return {};
    lame_set_num_channels(flags.get(), 1);
    lame_set_in_samplerate(flags.get(), rate);
    lame_set_out_samplerate(flags.get(), rate);
    lame_set_mode(flags.get(), MONO);
    lame_set_VBR(flags.get(), vbr_off);
    lame_set_brate(flags.get(), bitrate);
    lame_set_bWriteVbrTag(flags.get(), 0);
    lame_set_disable_reservoir(flags.get(), 1);
    lame_set_quality(flags.get(), 7);
    if (lame_init_params(flags.get()) < 0) return {};

    std::vector<unsigned char> out(pcm.size() * 5 / 4 + 7200 + 7200);
    const int n = lame_encode_buffer(flags.get(), pcm.data(), pcm.data(), static_cast<int>(pcm.size()), out.data(),
                                     static_cast<int>(out.size()));
    if (n < 0) return {};
    const int tail =
        lame_encode_flush(flags.get(), out.data() + n, static_cast<int>(out.size()) - n);
    if (tail < 0) return {};
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n + tail));
}

// Encoding is the slow part; a few hundred blocks are kept. The cache is
// cleared when full rather than ordered, since hits matter only for repeats
// of the same work in a short time (players seeking, a test reading twice).
class BlockCache {
public:
    std::shared_ptr<const std::string> get(std::uint64_t seed, bool longBlock) {
        const auto key = std::make_pair(seed, longBlock);
        std::lock_guard lock(mutex_);
        if (auto it = blocks_.find(key); it != blocks_.end()) return it->second;
        if (blocks_.size() >= 256) blocks_.clear();
        const double hertz = 220.0 + static_cast<double>(seed * 7919 % 660);
        auto block = longBlock ? encode(tone(hertz, kLongRate, kLongRate * 2), kLongRate, kLongBitrate)
                               : encode(tone(hertz, kShortRate, kShortRate), kShortRate, kShortBitrate);
        auto shared = std::make_shared<const std::string>(std::move(block));
        blocks_.emplace(key, shared);
        return shared;
    }

private:
    std::mutex mutex_;
    std::map<std::pair<std::uint64_t, bool>, std::shared_ptr<const std::string>> blocks_;
};

BlockCache& blockCache() {
    static BlockCache cache;
    return cache;
}

void appendBigEndian32(std::string& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

// ID3v2.3 with one TIT2 frame in ISO-8859-1. The title carries the work id,
// which alone makes every work's bytes differ.
std::string id3Tag(std::string_view title) {
    std::string frame = "TIT2";
    appendBigEndian32(frame, static_cast<std::uint32_t>(title.size() + 1));
    frame += std::string("\0\0\0", 3);  // flags, then the encoding byte
    frame += title;
    std::string tag = "ID3";
    tag += std::string("\x03\x00\x00", 3);
    const auto size = static_cast<std::uint32_t>(frame.size());
    for (int shift = 21; shift >= 0; shift -= 7) tag.push_back(static_cast<char>((size >> shift) & 0x7F));
    return tag + frame;
}

void appendPngChunk(std::string& png, const char* type, const std::string& data) {
    appendBigEndian32(png, static_cast<std::uint32_t>(data.size()));
    const std::string typed = std::string(type, 4) + data;
    png += typed;
    appendBigEndian32(png, static_cast<std::uint32_t>(
                               crc32(0, reinterpret_cast<const Bytef*>(typed.data()), static_cast<uInt>(typed.size()))));
}

}  // namespace

Mp3Recording::Mp3Recording(std::string tag, std::shared_ptr<const std::string> block, std::uint64_t repeats)
    : tag_(std::move(tag)), block_(std::move(block)), size_(tag_.size() + block_->size() * repeats) {}

std::string Mp3Recording::read(std::uint64_t offset, std::size_t length) const {
    std::string out;
    if (offset >= size_) return out;
    length = static_cast<std::size_t>(std::min<std::uint64_t>(length, size_ - offset));
    out.reserve(length);
    while (out.size() < length) {
        const std::uint64_t at = offset + out.size();
        const std::size_t want = length - out.size();
        if (at < tag_.size()) {
            out.append(tag_, static_cast<std::size_t>(at), want);
        } else {
            const auto inBlock = static_cast<std::size_t>((at - tag_.size()) % block_->size());
            out.append(*block_, inBlock, want);
        }
    }
    return out;
}

Mp3Recording toneRecording(std::uint64_t seed, std::string_view title, std::uint64_t minimumSize) {
    const bool big = minimumSize > 0;
    auto block = blockCache().get(seed, big);
    std::string tag = id3Tag(title);
    std::uint64_t repeats = 1;
    if (big && !block->empty() && minimumSize > tag.size())
        repeats = (minimumSize - tag.size() + block->size() - 1) / block->size();
    if (block->empty()) repeats = 0;
    return Mp3Recording(std::move(tag), std::move(block), repeats);
}

std::string pictureFor(std::uint64_t seed, int width, int height) {
    // Two colours from the seed, a diagonal band of one over the other.
    const unsigned char r = static_cast<unsigned char>(seed * 97 % 256);
    const unsigned char g = static_cast<unsigned char>(seed * 57 % 256);
    const unsigned char b = static_cast<unsigned char>(seed * 31 % 256);
    std::string raw;
    raw.reserve(static_cast<std::size_t>((width * 3 + 1) * height));
    for (int y = 0; y < height; ++y) {
        raw.push_back('\0');  // filter: none
        for (int x = 0; x < width; ++x) {
            const bool band = ((x + y) / 12) % 2 == 0;
            raw.push_back(static_cast<char>(band ? r : 255 - r));
            raw.push_back(static_cast<char>(band ? g : 255 - g));
            raw.push_back(static_cast<char>(band ? b : 255 - b));
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::string packed(packedSize, '\0');
    if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize, reinterpret_cast<const Bytef*>(raw.data()),
                  static_cast<uLong>(raw.size()), 9) != Z_OK)
        return {};
    packed.resize(packedSize);

    std::string header;
    appendBigEndian32(header, static_cast<std::uint32_t>(width));
    appendBigEndian32(header, static_cast<std::uint32_t>(height));
    header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
    std::string png("\x89PNG\r\n\x1a\n", 8);
    appendPngChunk(png, "IHDR", header);
    appendPngChunk(png, "IDAT", packed);
    appendPngChunk(png, "IEND", {});
    return png;
}

}  // namespace vokari::sim
