// Decoding of the escaped song names: the script-string evaluation first,
// and our own byte-wise decoder when that yields nothing.
#include "text/codepage.h"

#include "text/script_string.h"
#include "text/utf16_bytes.h"

namespace vokari {

namespace {

// While a name is inside the script string, CR LF stands as "{$}" and an
// apostrophe as the right single quotation mark ’ (A1 AF), so neither can
// break the literal.
const Text kLineBreakMarker = "{$}";
const Text kApostropheMarker = "\xA1\xAF";  // ’

// Not isxdigit: the window layer switches the C locale to the user's.
bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

bool allHexDigits(std::string_view s) {
    for (char c : s) {
        if (!isHexDigit(c)) return false;
    }
    return true;
}

Text prepareForScript(const Text& text) {
    Text prepared = replaceText(text, "\r\n", kLineBreakMarker, 1, std::nullopt, true);
    if (!prepared.empty() && prepared.byteAt(0) == '\r') prepared = Text(prepared.view().substr(1));
    if (findText(prepared, "\\u") != -1) prepared = replaceText(prepared, "\\u", "%u", 1, std::nullopt, true);
    return replaceText(prepared, "'", kApostropheMarker, 1, std::nullopt, true);
}

// What the script engine gives for `function xx(){var x='<prepared>';return
// unescape(x);}`: the text travels in as UTF-16 and back as GBK, so a decoded
// NUL ends it. Empty when the statement would be rejected.
Text evaluateScriptUnescape(const Text& prepared) {
    const std::optional<std::u16string> literal = resolveSingleQuotedLiteral(unitsFromBytes(ansiToWide(prepared, true)));
    if (!literal) return {};
    return wideToAnsi(bytesFromUnits(scriptUnescape(*literal)));
}

Text restoreMarkers(const Text& decoded) {
    Text restored = replaceText(decoded, kApostropheMarker, "'", 1, std::nullopt, true);
    return replaceText(restored, kLineBreakMarker, "\r\n", 1, std::nullopt, true);
}

}  // namespace

Text decodePercentU(const Text& text) {
    const std::string_view s = text.view();
    const std::size_t length = s.size();
    std::string out;
    out.reserve(length);
    std::size_t i = 0;
    while (i < length) {
        if (s[i] != '%') {
            out += s[i++];
        } else if (i + 1 < length && s[i + 1] == 'u' && i + 6 <= length) {
            // Only four real hex digits make a %u escape; otherwise the "%"
            // stays and the bytes after it follow as ordinary text.
            const std::string_view digits = s.substr(i + 2, 4);
            if (allHexDigits(digits)) {
                out += codeValueToText(hexToNumber(Text(digits))).view();
                i += 6;
            } else {
                out += s[i++];
            }
        } else if (i + 3 <= length) {
            out += codeValueToText(hexToNumber(Text(s.substr(i + 1, 2)))).view();
            i += 3;
        } else {
            out += s[i++];
        }
    }
    return Text(std::move(out));
}

Text unescapeUnicode(const Text& text) {
    const Text prepared = prepareForScript(text);
    Text decoded = evaluateScriptUnescape(prepared);
    if (decoded.empty()) decoded = decodePercentU(prepared);
    return restoreMarkers(decoded);
}

}  // namespace vokari
