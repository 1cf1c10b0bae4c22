// Splits one fuzzer input into several texts and small numbers, so a single
// byte string can drive calls that take a text, markers and options.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vokari::fuzzing {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size)
        : rest_(reinterpret_cast<const char*>(data), size) {}

    // The bytes up to the next 0xFF separator (or the end), so the corpus can
    // hold readable pieces like "[a]\xff[\xff]".
    std::string piece() {
        std::size_t cut = rest_.find('\xff');
        std::string out(rest_.substr(0, cut));
        rest_ = cut == std::string_view::npos ? std::string_view() : rest_.substr(cut + 1);
        return out;
    }
    // A small signed number from the next piece's first byte.
    int number(int lo, int hi) {
        std::string p = piece();
        int range = hi - lo + 1;
        return lo + (p.empty() ? 0 : static_cast<unsigned char>(p[0]) % range);
    }
    bool flag() { return number(0, 1) == 1; }

private:
    std::string_view rest_;
};

}  // namespace vokari::fuzzing
