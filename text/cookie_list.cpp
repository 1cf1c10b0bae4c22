#include "text/cookie_list.h"

#include <string>
#include <unordered_set>

namespace vokari {

namespace {

const Text kSetCookie("Set-Cookie");
const Text kSetCookieColon("Set-Cookie:");
const Text kEntrySeparator("; ");
const Text kDeletedSuffix("=deleted");

// Servers spell the header name in any case; one spelling lets the scan
// below match it exactly. Rewriting an already rewritten block changes nothing.
Text withUniformSetCookie(const Text& headerBlock) {
    return replaceText(headerBlock, kSetCookie, kSetCookie, 1, std::nullopt, false);
}

// Only the first name=value pair of a Set-Cookie line is kept; its
// attributes (path, expiry, domain) describe the cookie, they are not cookies.
Text entryOfSetCookieLine(const Text& line) {
    if (findText(line, ";") != -1) return trimSpaces(textBetween(line, kSetCookieColon, ";"));
    return trimSpaces(replaceText(line, kSetCookieColon, {}, 1, std::nullopt, false));
}

// Drops the separator the join loops leave behind the last entry.
Text withoutTrailing(const Text& joined, const Text& separator) {
    return textLeft(joined, textLength(joined) - textLength(separator));
}

bool isDeletedEntry(const Text& entry) { return textRight(entry, textLength(kDeletedSuffix)) == kDeletedSuffix; }

// The new entries, then every old entry whose name the list does not hold
// yet. Names already present are kept in a set, so carrying the old list over
// costs one lookup per entry however long the lists are.
TextList carryOldEntries(const TextList& oldEntries, TextList newEntries) {
    std::unordered_set<std::string> names;
    for (const Text& entry : newEntries) names.insert(cookieName(entry).str());
    for (const Text& entry : oldEntries) {
        if (names.insert(cookieName(entry).str()).second) newEntries.push_back(entry);
    }
    return newEntries;
}

Text joinLiveEntries(const TextList& entries) {
    std::string joined;
    for (const Text& entry : entries) {
        if (isDeletedEntry(entry)) continue;
        joined.append(entry.view()).append(kEntrySeparator.view());
    }
    return withoutTrailing(Text(std::move(joined)), kEntrySeparator);
}

}  // namespace

Text cookiesFromHeaders(const Text& headerBlock) {
    std::string received;
    for (const Text& line : splitText(withUniformSetCookie(headerBlock), "\r\n")) {
        if (findText(line, kSetCookie) == -1) continue;
        received.append(entryOfSetCookieLine(line).view()).append(kEntrySeparator.view());
    }
    return withoutTrailing(Text(std::move(received)), kEntrySeparator);
}

Text mergeCookies(Text& oldList, Text& newList) {
    oldList = removeSpaces(oldList);
    newList = removeSpaces(newList);
    const TextList entries = carryOldEntries(splitText(oldList, ";"), splitText(newList, ";"));
    oldList = removeDuplicates(joinLiveEntries(entries), kEntrySeparator);
    return oldList;
}

Text cookieName(const Text& entry) {
    const int equals = findText(entry, "=");
    return trimSpaces(equals == -1 ? entry : textLeft(entry, equals - 1));
}

bool hasCookieNamed(const TextList& entries, const Text& name) {
    for (const Text& entry : entries) {
        if (cookieName(entry) == name) return true;
    }
    return false;
}

Text removeDuplicates(const Text& text, const Text& separator) {
    std::unordered_set<std::string> seen;
    std::string result;
    for (const Text& member : splitText(text, separator)) {
        if (!seen.insert(member.str()).second) continue;
        result.append(member.view()).append(separator.view());
    }
    return withoutTrailing(Text(std::move(result)), separator);
}

int listIndexOf(const TextList& list, const Text& text) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == text) return static_cast<int>(i) + 1;
    }
    return -1;
}

}  // namespace vokari
