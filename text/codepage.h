// Conversion between GBK text and UTF-16, and the decoding of the escaped song
// names the service sends (\u4f60\u597d, %u4F60, %41).
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vokari {

// UTF-16 little-endian code units, with a terminating NUL unit unless
// dropTerminator is set; empty Bytes for an empty text. Always code page 936
// (ICU's windows-936), never the system locale.
Bytes ansiToWide(const Text& text, bool dropTerminator = false);

// UTF-16 little-endian units (a trailing odd byte ignored) to GBK, ending at
// the first NUL unit. Characters GBK lacks become '?'.
Text wideToAnsi(const Bytes& utf16);

// The last sixteen bytes as hexadecimal digits, two 32-bit words.
std::int64_t hexToNumber(const Text& digits);

// One decoded code value as text: its eight bytes read as four UTF-16 units.
Text codeValueToText(std::int64_t value);

// Decodes %uXXXX and %XX escapes byte by byte.
Text decodePercentU(const Text& text);

// Decodes a song name: resolves it as the content of a single-quoted script
// string literal, then unescapes %u and %XX escapes (after \u became %u).
Text unescapeUnicode(const Text& text);

}  // namespace vokari
