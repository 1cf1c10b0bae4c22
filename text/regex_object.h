// One regular expression run over one GBK subject, then questions about the
// result. Matching is PCRE2 over the UTF-16 form of the subject, with the
// pattern language of the classic script engines: \w is ASCII, "." stops at
// a line feed. Failures give empty values, never exceptions.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace vokari {

struct RegexOptions {
    bool caseSensitive = false;
    bool multiline = true;
    bool global = true;
    bool quoteMarker = false;  // "#引号" in the pattern stands for a double quote
};

class RegexObject {
public:
    RegexObject();
    ~RegexObject();
    // A copy shares the compiled pattern and the matches of the original.
    RegexObject(const RegexObject&);
    RegexObject& operator=(const RegexObject&);

    // True when the pattern compiled and ran (also when nothing matched).
    bool execute(const Text& pattern, const Text& subject, const RegexOptions& options = {});
    Text pattern() const;
    Text replace(const Text& replacement = {}) const;
    int matchCount() const;
    // Indices are 1-based. `position`, when given, receives the 0-based byte
    // offset in the subject where the text stands: the match's own, or the
    // group's own for a sub-match. -2 for an index outside the matches or a
    // group that took no part in its match.
    Text matchText(int index, int* position = nullptr) const;
    Text subMatchText(int matchIndex, int subIndex, int* position = nullptr) const;
    int subMatchCount() const;

private:
    struct Engine;
    struct Matches;
    struct Span;
    std::shared_ptr<const Matches> findMatches() const;
    void appendReplacement(std::u16string& out, std::u16string_view replacement, const std::vector<Span>& spans) const;
    Text groupText(int matchIndex, int group, int* position) const;
    int bytePosition(std::size_t unitOffset) const;

    std::shared_ptr<const Engine> engine_;
    std::shared_ptr<const Matches> matches_;
    std::u16string subject_;  // UTF-16, as the engine saw it
};

}  // namespace vokari
