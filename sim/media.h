// Media the simulator makes for itself: MP3 recordings of short tones and
// member pictures as PNG. Both are pure functions of their inputs, so a test
// can rebuild the exact bytes the server sent.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vokari::sim {

// An MP3 file laid out as an ID3v2 tag followed by one encoded block of frames
// repeated some number of times. Big files are only this description until a
// piece is read, so a 50 MB recording never sits in memory whole.
class Mp3Recording {
public:
    Mp3Recording(std::string tag, std::shared_ptr<const std::string> block, std::uint64_t repeats);

    std::uint64_t size() const { return size_; }
    // Up to `length` bytes from `offset`; fewer at the end, none past it.
    std::string read(std::uint64_t offset, std::size_t length) const;
    std::string all() const { return read(0, static_cast<std::size_t>(size_)); }

private:
    std::string tag_;
    std::shared_ptr<const std::string> block_;
    std::uint64_t size_ = 0;
};

// A recording of a tone whose pitch comes from `seed`, tagged with `title`.
// With minimumSize 0 it is about a second of audio, a few kilobytes; otherwise
// its frames repeat until the file is at least that long.
Mp3Recording toneRecording(std::uint64_t seed, std::string_view title, std::uint64_t minimumSize);

// A small RGB PNG whose colours come from `seed`.
std::string pictureFor(std::uint64_t seed, int width, int height);

}  // namespace vokari::sim
