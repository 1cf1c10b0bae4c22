#include "text/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace vokari {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool isLeadByte(unsigned char b) { return b >= 0x80; }

unsigned char foldAscii(unsigned char b) { return (b >= 'A' && b <= 'Z') ? static_cast<unsigned char>(b + 32) : b; }

bool equalFolded(const char* a, const char* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (foldAscii(static_cast<unsigned char>(a[i])) != foldAscii(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

// Offset of the next byte of 0x80 or above in [from, to), or `to`. Eight
// bytes at a time, since long ASCII stretches are the common case in markup.
std::size_t nextHighByte(std::string_view s, std::size_t from, std::size_t to) {
    const char* p = s.data();
    while (from + 8 <= to) {
        std::uint64_t word;
        std::memcpy(&word, p + from, 8);
        if (word & 0x8080808080808080ULL) break;
        from += 8;
    }
    while (from < to && !isLeadByte(static_cast<unsigned char>(p[from]))) ++from;
    return from;
}

// Moves a character-walk cursor forward until it reaches or passes `target`.
// The walk steps one byte over a one-byte character and two over a lead byte,
// so the result is `target` exactly when a walk from `walk` lands on it.
std::size_t advanceWalk(std::string_view s, std::size_t walk, std::size_t target) {
    while (walk < target) {
        std::size_t high = nextHighByte(s, walk, target);
        if (high >= target) return target;
        walk = high + 2;
    }
    return walk;
}

bool isAsciiLetter(unsigned char b) { return foldAscii(b) >= 'a' && foldAscii(b) <= 'z'; }

// Next offset in [from, last] whose byte is `letter` in either case. For a
// letter, b | 0x20 equals its lower-case form exactly when b is one of its two
// cases, so sixteen bytes can be tested at once.
std::size_t findLetterEitherCase(std::string_view hay, unsigned char lower, std::size_t from, std::size_t last) {
    std::size_t p = from;
#ifdef __SSE2__
    const __m128i bit = _mm_set1_epi8(0x20);
    const __m128i want = _mm_set1_epi8(static_cast<char>(lower));
    for (; p + 16 <= last + 1; p += 16) {
        __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hay.data() + p));
        int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(chunk, bit), want));
        if (mask) return p + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    for (; p <= last; ++p) {
        if ((static_cast<unsigned char>(hay[p]) | 0x20) == lower) return p;
    }
    return npos;
}

// First offset at or after `from` where `sub` matches with ASCII case folded.
std::size_t findFolded(std::string_view hay, std::string_view sub, std::size_t from) {
    const std::size_t m = sub.size();
    if (hay.size() < m || from > hay.size() - m) return npos;
    const std::size_t last = hay.size() - m;
    const unsigned char first = static_cast<unsigned char>(sub[0]);
    for (std::size_t p = from; p <= last; ++p) {
        if (isAsciiLetter(first)) {
            p = findLetterEitherCase(hay, foldAscii(first), p, last);
        } else {
            const void* hit = std::memchr(hay.data() + p, first, last - p + 1);
            p = hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data()) : npos;
        }
        if (p == npos) return npos;
        if (equalFolded(hay.data() + p + 1, sub.data() + 1, m - 1)) return p;
    }
    return npos;
}

// The character-aligned search every searching primitive shares: the first
// occurrence of a non-empty `sub` at a position that a character walk starting
// at `from` visits. Candidates come from a fast substring search; the walk is
// only advanced far enough to check that each candidate is on a character
// boundary, so a search costs time linear in the distance it covers.
std::size_t findAligned(std::string_view hay, std::size_t from, std::string_view sub, bool foldCase) {
    std::size_t walk = from;
    std::size_t searchFrom = from;
    while (searchFrom < hay.size()) {
        std::size_t candidate = foldCase ? findFolded(hay, sub, searchFrom) : hay.find(sub, searchFrom);
        if (candidate == npos) return npos;
        walk = advanceWalk(hay, walk, candidate);
        if (walk == candidate) return candidate;
        searchFrom = walk;  // the candidate was the second byte of a character
    }
    return npos;
}

std::size_t nextCharacter(std::string_view s, std::size_t at) {
    return at + (isLeadByte(static_cast<unsigned char>(s[at])) ? 2 : 1);
}

// Length of the space character at `at`, or 0 when the character there is not a space.
std::size_t spaceAt(std::string_view s, std::size_t at) {
    if (s[at] == ' ') return 1;
    if (static_cast<unsigned char>(s[at]) == 0xA1 && at + 1 < s.size() &&
        static_cast<unsigned char>(s[at + 1]) == 0xA1) {
        return 2;
    }
    return 0;
}

int toPosition(std::size_t offset) {
    return offset == npos ? -1 : static_cast<int>(std::min<std::size_t>(offset + 1, std::numeric_limits<int>::max()));
}

std::size_t startOffset(int start) { return start < 1 ? 0 : static_cast<std::size_t>(start) - 1; }

std::int32_t saturate32(long double value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<long double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<long double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

// Reads the leading number of a text in ASCII form. Full-width forms (A3 xx in
// GBK, the image of ASCII 0x21..0x7E) read as their ASCII letters, digits and
// signs; leading blanks, ASCII or full-width, are skipped.
class NumberReader {
public:
    explicit NumberReader(std::string_view s) : s_(s) {
        while (pos_ < s_.size()) {
            if (std::strchr(" \t\n\v\f\r", s_[pos_]) && s_[pos_] != '\0') {
                ++pos_;
            } else if (spaceAt(s_, pos_) == 2) {
                pos_ += 2;
            } else {
                break;
            }
        }
    }

    // The ASCII form of the character at the cursor, or 0 when it has none.
    char peek() const {
        if (pos_ >= s_.size()) return 0;
        unsigned char b = static_cast<unsigned char>(s_[pos_]);
        if (b < 0x80) return static_cast<char>(b);
        if (b == 0xA3 && pos_ + 1 < s_.size()) {
            unsigned char t = static_cast<unsigned char>(s_[pos_ + 1]);
            if (t >= 0xA1 && t <= 0xFE) return static_cast<char>(t - 0x80);
        }
        return 0;
    }
    void take(std::string& out) {
        out += peek();
        pos_ += static_cast<unsigned char>(s_[pos_]) < 0x80 ? 1 : 2;
    }
    bool takeIf(const char* set, std::string& out) {
        char c = peek();
        if (c == 0 || !std::strchr(set, c)) return false;
        take(out);
        return true;
    }
    std::size_t takeDigits(std::string& out) {
        std::size_t n = 0;
        while (takeIf("0123456789", out)) ++n;
        return n;
    }
    std::size_t position() const { return pos_; }
    void rewind(std::size_t pos) { pos_ = pos; }

private:
    std::string_view s_;
    std::size_t pos_ = 0;
};

}  // namespace

int textLength(const Text& text) { return static_cast<int>(std::min<std::size_t>(text.size(), std::numeric_limits<int>::max())); }

int findText(const Text& text, const Text& sub, int start, bool ignoreCase) {
    const std::size_t from = startOffset(start);
    if (from >= text.size()) return -1;
    if (sub.empty()) return 1;
    return toPosition(findAligned(text.view(), from, sub.view(), ignoreCase));
}

int findTextReverse(const Text& text, const Text& sub, std::optional<int> start, bool ignoreCase) {
    std::size_t limit = text.size();
    if (start && *start >= 1 && static_cast<std::size_t>(*start) - 1 < limit) limit = static_cast<std::size_t>(*start) - 1;
    if (start && *start <= 1) limit = 0;
    const std::string_view stretch = text.view().substr(0, limit);
    if (stretch.empty()) return -1;
    if (sub.empty()) return 1;
    std::size_t last = npos;
    std::size_t from = 0;
    while (from < stretch.size()) {
        std::size_t found = findAligned(stretch, from, sub.view(), ignoreCase);
        if (found == npos) break;
        last = found;
        from = nextCharacter(stretch, found);
    }
    return toPosition(last);
}

Text textLeft(const Text& text, int n) {
    if (n <= 0) return {};
    return Text(text.view().substr(0, static_cast<std::size_t>(n)));
}

Text textRight(const Text& text, int n) {
    if (n <= 0) return {};
    std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n), text.size());
    return Text(text.view().substr(text.size() - take));
}

Text textMid(const Text& text, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
    return Text(text.view().substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Text replaceText(const Text& text, const Text& find, const Text& replacement, int start,
                 std::optional<int> count, bool caseSensitive) {
    const std::size_t from = startOffset(start);
    if (text.empty() || find.empty() || from >= text.size() || (count && *count == 0)) return text;
    const std::string_view s = text.view();
    std::string out(s.substr(0, from));
    std::size_t pos = from;
    int done = 0;
    while (true) {
        std::size_t found = findAligned(s, pos, find.view(), !caseSensitive);
        if (found == npos) break;
        out.append(s.substr(pos, found - pos));
        out.append(replacement.view());
        pos = found + find.size();
        if (count && ++done == *count) break;
    }
    out.append(s.substr(std::min(pos, s.size())));
    return Text(std::move(out));
}

TextList splitText(const Text& text, const Text& separator, std::optional<int> maxCount) {
    TextList pieces;
    if (text.empty() || (maxCount && *maxCount <= 0)) return pieces;
    if (separator.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    const auto reached = [&] { return maxCount && pieces.size() >= static_cast<std::size_t>(*maxCount); };
    const std::string_view s = text.view();
    std::size_t pos = 0;
    while (!reached()) {
        std::size_t found = findAligned(s, pos, separator.view(), false);
        if (found == npos) break;
        pieces.emplace_back(s.substr(pos, found - pos));
        pos = found + separator.size();
    }
    if (!reached() && pos < s.size()) pieces.emplace_back(s.substr(pos));
    return pieces;
}

std::string_view trimSpacesView(std::string_view s) {
    std::size_t begin = 0;
    while (begin < s.size()) {
        std::size_t space = spaceAt(s, begin);
        if (space == 0) break;
        begin += space;
    }
    // Walk whole characters so the end is never taken inside one; runs of
    // one-byte characters are taken whole.
    std::size_t end = begin;
    for (std::size_t pos = begin; pos < s.size();) {
        const std::size_t high = nextHighByte(s, pos, s.size());
        for (std::size_t q = high; q > pos; --q) {
            if (s[q - 1] != ' ') {
                end = q;
                break;
            }
        }
        if (high >= s.size()) break;
        pos = std::min(high + 2, s.size());
        if (spaceAt(s, high) == 0) end = pos;
    }
    return s.substr(begin, end - begin);
}

Text trimSpaces(const Text& text) { return Text(trimSpacesView(text.view())); }

Text removeSpaces(const Text& text) {
    const std::string_view s = text.view();
    std::string out;
    out.reserve(s.size());
    for (std::size_t pos = 0; pos < s.size();) {
        std::size_t space = spaceAt(s, pos);
        if (space) {
            pos += space;
            continue;
        }
        std::size_t next = std::min(nextCharacter(s, pos), s.size());
        out.append(s.substr(pos, next - pos));
        pos = next;
    }
    return Text(std::move(out));
}

Text toLowerCase(const Text& text) {
    std::string out = text.str();
    for (std::size_t pos = 0; pos < out.size();) {
        unsigned char b = static_cast<unsigned char>(out[pos]);
        if (isLeadByte(b)) {
            pos += 2;  // the trail byte of a two-byte character may look like a letter
        } else {
            out[pos] = static_cast<char>(foldAscii(b));
            ++pos;
        }
    }
    return Text(std::move(out));
}

Text spaceText(int n) { return n <= 0 ? Text() : Text(std::string(static_cast<std::size_t>(n), ' ')); }

Bytes zeroBytes(int n) { return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), '\0'); }

Text charFromCode(int code) {
    if (code <= 0 || code > 255) return {};
    return Text(std::string(1, static_cast<char>(code)));
}

Text numberToText(int number) { return Text(std::to_string(number)); }

Text numberToText(long long number) { return Text(std::to_string(number)); }

Text numberToText(float number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", static_cast<double>(number));
    return Text(buffer);
}

Text numberToText(double number) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", number);
    return Text(buffer);
}

double textToNumber(const Text& text) {
    NumberReader reader(text.view());
    std::string ascii;
    bool negative = false;
    std::string sign;
    if (reader.takeIf("+-", sign)) negative = sign == "-";
    std::size_t digits = reader.takeDigits(ascii);
    const std::size_t beforePoint = reader.position();
    std::string fraction;
    if (reader.takeIf(".", fraction)) {
        std::size_t fractionDigits = reader.takeDigits(fraction);
        if (digits + fractionDigits == 0) reader.rewind(beforePoint), fraction.clear();
        digits += fractionDigits;
        ascii += fraction;
    }
    if (digits == 0) return 0.0;
    const std::size_t beforeExponent = reader.position();
    std::string exponent;
    if (reader.takeIf("eE", exponent)) {
        reader.takeIf("+-", exponent);
        if (reader.takeDigits(exponent) == 0) {
            reader.rewind(beforeExponent);
            exponent.clear();
        }
    }
    ascii += exponent;
    double value = 0.0;
    auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        // Too large gives infinity and too small gives zero, as strtod does.
        value = (exponent.find('-') != std::string::npos) ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return negative ? -value : value;
}

std::int32_t textToInteger(const Text& text) {
    NumberReader reader(text.view());
    std::string sign;
    reader.takeIf("+-", sign);
    std::string digits;
    reader.takeDigits(digits);
    long double value = 0;
    for (char d : digits) {
        value = value * 10 + (d - '0');
        if (value > 1e12L) break;  // far beyond the 32-bit range; saturation below decides
    }
    return saturate32(sign == "-" ? -value : value);
}

std::int32_t floorToInteger(double number) {
    if (std::isnan(number)) return 0;
    double whole = std::floor(number);
    if (number - whole > 0.999999999999) whole += 1.0;
    return saturate32(whole);
}

Bytes textToBytes(const Text& text) { return text.str(); }

Text bytesToText(const Bytes& bytes) { return Text(std::string_view(bytes)); }

}  // namespace vokari
