// The two steps by which a script engine turns `var x='...'; unescape(x)`
// into a string: the literal's backslash sequences, then the standard
// unescape function. Both work on UTF-16 code units, as the engine does.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vokari {

// The value of a single-quoted string literal whose content, between the
// quotes, is `content`. Nothing when the engine would reject the statement:
// a raw line terminator, a quote that would end the literal early, or a final
// lone backslash that escapes the closing quote.
std::optional<std::u16string> resolveSingleQuotedLiteral(std::u16string_view content);

// %uXXXX (four hex digits) and %XX (two) become that code unit; every other
// "%" stays as it is.
std::u16string scriptUnescape(std::u16string_view text);

}  // namespace vokari
