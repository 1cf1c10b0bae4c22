#include "text/script_string.h"

namespace vokari {

namespace {

bool isLineTerminator(char16_t c) { return c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029; }

int hexValue(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// The code unit that `count` hex digits at `at` spell, or nothing when any of
// them is missing or not a digit.
std::optional<char16_t> hexUnit(std::u16string_view s, std::size_t at, std::size_t count) {
    if (at + count > s.size()) return std::nullopt;
    unsigned value = 0;
    for (std::size_t k = 0; k < count; ++k) {
        const int digit = hexValue(s[at + k]);
        if (digit < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(digit);
    }
    return static_cast<char16_t>(value);
}

bool isOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }

// A legacy octal escape after its backslash: up to three digits while the
// value stays within 0377, so \101 is A, \08 is NUL then 8 and \400 is \40 then 0.
// Gives the value and how many digits it used.
std::pair<char16_t, std::size_t> octalEscape(std::u16string_view s, std::size_t at) {
    unsigned value = static_cast<unsigned>(s[at] - u'0');
    std::size_t used = 1;
    const std::size_t maxDigits = s[at] <= u'3' ? 3 : 2;
    while (used < maxDigits && at + used < s.size() && isOctalDigit(s[at + used])) {
        value = value * 8 + static_cast<unsigned>(s[at + used] - u'0');
        ++used;
    }
    return {static_cast<char16_t>(value), used};
}

// The escape that begins with the character at `at` (just after a backslash).
// Appends what it stands for and returns where the literal goes on.
std::size_t resolveEscape(std::u16string_view s, std::size_t at, std::u16string& out) {
    const char16_t c = s[at];
    switch (c) {
        case u'b': out += u'\b'; return at + 1;
        case u't': out += u'\t'; return at + 1;
        case u'n': out += u'\n'; return at + 1;
        case u'f': out += u'\f'; return at + 1;
        case u'r': out += u'\r'; return at + 1;
        // The engine knows no \v: a backslash before v gives the letter.
        case u'x':
        case u'u': {
            const std::size_t digits = c == u'x' ? 2 : 4;
            if (auto unit = hexUnit(s, at + 1, digits)) {
                out += *unit;
                return at + 1 + digits;
            }
            out += c;  // a malformed escape stands for its letter; the digits follow as they are
            return at + 1;
        }
        case u'\r':  // a line continuation adds nothing; CR LF counts as one terminator
            return (at + 1 < s.size() && s[at + 1] == u'\n') ? at + 2 : at + 1;
        case u'\n':
        case 0x2028:
        case 0x2029:
            return at + 1;
        default:
            break;
    }
    if (isOctalDigit(c)) {
        auto [unit, used] = octalEscape(s, at);
        out += unit;
        return at + used;
    }
    out += c;  // \\ \' \" and every other character stand for themselves
    return at + 1;
}

}  // namespace

std::optional<std::u16string> resolveSingleQuotedLiteral(std::u16string_view content) {
    std::u16string out;
    out.reserve(content.size());
    std::size_t i = 0;
    while (i < content.size()) {
        const char16_t c = content[i];
        // An unescaped quote would end the literal and hand the rest to the
        // parser as code; that code is never run, the statement counts as rejected.
        if (isLineTerminator(c) || c == u'\'') return std::nullopt;
        if (c != u'\\') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 == content.size()) return std::nullopt;  // it would escape the closing quote
        i = resolveEscape(content, i + 1, out);
    }
    return out;
}

std::u16string scriptUnescape(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == u'%') {
            if (i + 1 < text.size() && text[i + 1] == u'u') {
                if (auto unit = hexUnit(text, i + 2, 4)) {
                    out += *unit;
                    i += 6;
                    continue;
                }
            }
            if (auto unit = hexUnit(text, i + 1, 2)) {
                out += *unit;
                i += 3;
                continue;
            }
        }
        out += text[i];
        ++i;
    }
    return out;
}

}  // namespace vokari
