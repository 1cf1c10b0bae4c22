// Conversion between GBK text and UTF-16, and the decoding of the escaped song
// names the service sends (\u4f60\u597d, %u4F60, %41).
#pragma once

#include <cstdint>

#include "text/text.h"

namespace vokari {

// UTF-16 little-endian code units, with a terminating NUL unit unless
// dropTerminator is set; empty Bytes for an empty text. Always code page 936
// (ICU's windows-936), never the system locale. Bytes that are not valid GBK
// (a lead byte at the end, a lead byte without its trail) become U+FFFD.
Bytes ansiToWide(const Text& text, bool dropTerminator = false);

// UTF-16 little-endian units (a trailing odd byte ignored) to GBK, ending at
// the first NUL unit. As Windows does, a letter and the combining mark after
// it are first composed when GBK holds the result, and a character GBK lacks
// becomes its best-fit stand-in where there is one (À as à), else '?'; so does
// an unpaired surrogate.
Text wideToAnsi(const Bytes& utf16);

// The last sixteen bytes as hexadecimal digits, two 32-bit words, each summed
// modulo 2^32. Bytes that are no digits are not rejected: G is 16, a space -16.
std::int64_t hexToNumber(const Text& digits);

// One decoded code value as text: its eight bytes, least significant first,
// read as four UTF-16 units and ending at the first NUL unit (0 gives "").
Text codeValueToText(std::int64_t value);

// Decodes %uXXXX and %XX escapes byte by byte. A %u escape needs four hex
// digits, otherwise its "%" stays as text; %XX takes any two bytes; a "%"
// among the last two bytes stays.
Text decodePercentU(const Text& text);

// Decodes a song name: resolves it as the content of a single-quoted script
// string literal, then unescapes %u and %XX escapes (after \u became %u).
// Where the literal would be rejected, or decodes to nothing, decodePercentU
// takes over. CR LF and apostrophes come back as they went in.
Text unescapeUnicode(const Text& text);

}  // namespace vokari
