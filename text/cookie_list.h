// Cookie lists: one Text of name=value entries joined by "; ".
#pragma once

#include "text/text.h"

namespace vokari {

// The received-cookie list of a response header block (lines split at CR LF):
// the first name=value pair of every line holding "Set-Cookie".
Text cookiesFromHeaders(const Text& headerBlock);

// Merges newList into oldList: entries of the new list first, then old ones
// whose names the new list lacks; deleted entries and exact repeats go.
// Writes the merged list into oldList, leaves newList with its spaces
// removed, and returns a copy of the merged list.
Text mergeCookies(Text& oldList, Text& newList);

Text cookieName(const Text& entry);
bool hasCookieNamed(const TextList& entries, const Text& name);
Text removeDuplicates(const Text& text, const Text& separator);
// 1-based index of the first entry equal to text, or -1.
int listIndexOf(const TextList& list, const Text& text);

}  // namespace vokari
