// UTF-16 text travels in Bytes as little-endian code units, the low byte
// first; these two turn such Bytes into code units and back.
#pragma once

#include <string>
#include <string_view>

#include "text/text.h"

namespace vokari {

// A trailing odd byte is no code unit and is left out.
inline std::u16string unitsFromBytes(std::string_view bytes) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const auto low = static_cast<unsigned char>(bytes[2 * i]);
        const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(low | (high << 8));
    }
    return units;
}

inline Bytes bytesFromUnits(std::u16string_view units) {
    Bytes bytes(units.size() * 2, '\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        bytes[2 * i] = static_cast<char>(units[i] & 0xFF);
        bytes[2 * i + 1] = static_cast<char>(units[i] >> 8);
    }
    return bytes;
}

}  // namespace vokari
