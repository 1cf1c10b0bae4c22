// Decoding a page from the character set it declares into GBK text.
#pragma once

#include <optional>

#include "text/text.h"

namespace vokari {

// The canonical name of a charset label as the WHATWG Encoding Standard
// resolves it ("gb2312", "x-gbk", "chinese" are all "GBK"); nothing for a
// label the standard does not know.
std::optional<std::string> resolveCharsetLabel(const Text& label);

// The whole of `body` (zero bytes included) decoded from the labelled charset
// and re-encoded as GBK, where characters GBK lacks and bytes invalid in the
// charset become '?'. A byte order mark at the start decides the encoding
// whatever the label says, as in a browser, and is dropped. Nothing when the
// label is unknown or names the replacement encoding, so the caller keeps its
// text as it was.
std::optional<Text> decodeToGbk(const Bytes& body, const Text& label);

}  // namespace vokari
