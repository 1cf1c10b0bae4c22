#include "text/regex_object.h"

#include "text/codepage.h"
#include "text/utf16_bytes.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vokari {

namespace {

// "#引号" in GBK: written in a pattern where a double quote would need quoting.
const Text kQuoteMarker("#\xD2\xFD\xBA\xC5");

// A hostile pattern or subject must end in "no further match", not hang the
// window thread. PCRE2's limits hold for one start position: the match limit
// is PCRE2's own default, the depth and heap limits keep one attempt's memory
// modest (the heap limit is in KiB). PCRE2 starts them afresh at every start
// position, so a subject made of many short backtracking traps could still
// take minutes; a step budget over the whole execute bounds that, counted in
// the engine's automatic callouts (one per pattern item entered). 20 million
// steps is about a second of backtracking, while a page-sized subject under
// an ordinary pattern takes about one step per character.
constexpr std::uint32_t kMatchLimit = 10'000'000;
constexpr std::uint32_t kDepthLimit = 1'000'000;
constexpr std::uint32_t kHeapLimitKiB = 64 * 1024;
constexpr std::uint64_t kStepBudget = 20'000'000;

// The classic script engines' pattern language over PCRE2:
// - UTF with no UCP, so \w, \d, \s and \b stay ASCII while letters of any
//   script still match without regard to case;
// - LF as the only newline, so "." stops at a line feed alone;
// - "$" without multiline matches only at the very end;
// - \xHH and \uHHHH escapes, \U a plain letter;
// - "[]" matches nothing and "[^]" any character;
// - a back reference to a group that took no part matches the empty text;
// - automatic callouts feed the step budget above.
constexpr std::uint32_t kCompileOptions = PCRE2_AUTO_CALLOUT | PCRE2_UTF | PCRE2_NEVER_UCP |
                                          PCRE2_NEVER_BACKSLASH_C | PCRE2_DOLLAR_ENDONLY | PCRE2_ALT_BSUX |
                                          PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF;

// ---- UTF-16 at the engine's side ------------------------------------------

std::u16string toUtf16(const Text& text) { return unitsFromBytes(ansiToWide(text, true)); }

Text toText(std::u16string_view wide) { return wideToAnsi(bytesFromUnits(wide)); }

bool isHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The subject is matched without PCRE2's UTF check, which would otherwise
// rescan the whole subject for every match. That is only sound on valid
// UTF-16, so a lone surrogate (which the code-page conversion never makes)
// becomes U+FFFD here.
std::u16string validUtf16(std::u16string units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (isHighSurrogate(units[i]) && i + 1 < units.size() && isLowSurrogate(units[i + 1])) {
            ++i;
        } else if (isHighSurrogate(units[i]) || isLowSurrogate(units[i])) {
            units[i] = u'\uFFFD';
        }
    }
    return units;
}

// ---- pattern dialect ------------------------------------------------------

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool isDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isOctalDigit(char16_t c) { return c >= u'0' && c <= u'7'; }

// Letter escapes the classic engines give a meaning; PCRE2 handles these the
// same way under the options above, except \v.
bool isClassicLetterEscape(char16_t c) {
    return std::u16string_view(u"bBdDwWsSfnrtvcxu").find(c) != std::u16string_view::npos;
}

// Whether the "(" at `at` opens a numbered group, as PCRE2 counts them
// (its named groups included, so the numbers agree).
bool opensCapture(std::u16string_view pattern, std::size_t at) {
    const std::u16string_view rest = pattern.substr(at + 1);
    if (rest.empty() || rest[0] == u'*') return rest.empty();  // "(*" starts a verb, no group
    if (rest[0] != u'?') return true;
    if (rest.starts_with(u"?P<") || rest.starts_with(u"?'")) return true;
    return rest.starts_with(u"?<") && rest.size() > 2 && rest[2] != u'=' && rest[2] != u'!';
}

int countCaptureGroups(std::u16string_view pattern) {
    int groups = 0;
    bool inClass = false;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'\\') {
            ++i;
        } else if (inClass) {
            inClass = c != u']';
        } else if (c == u'[') {
            inClass = true;
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^') ++i;
        } else if (c == u'(' && opensCapture(pattern, i)) {
            ++groups;
        }
    }
    return groups;
}

// Rewrites one pattern into PCRE2's syntax where the two differ. Escapes: the
// classic engines read an unknown letter escape as the letter itself, where
// PCRE2 gives many letters a meaning of its own (\h, \R, \Q, \K, \e ...) or
// rejects them; \v is the vertical tab alone, not a class; "\c" without a
// letter is a backslash and a "c"; \N is a back reference only when the
// pattern has N groups, else an octal character code (\8 and \9 the digits).
// Inside a class "[" is an ordinary character, never a POSIX class. With
// multiline a carriage return ends a line for "^" and "$" as a line feed
// does, though "." still crosses it.
class EngineSyntax {
public:
    EngineSyntax(std::u16string_view pattern, bool multiline)
        : pattern_(pattern), groups_(countCaptureGroups(pattern)), multiline_(multiline) {}

    std::u16string rewrite() {
        out_.reserve(pattern_.size());
        while (at_ < pattern_.size()) {
            const char16_t c = pattern_[at_++];
            if (c == u'\\' && at_ < pattern_.size()) {
                escape();
            } else if (inClass_) {
                if (c == u'[') out_ += u'\\';
                out_ += c;
                inClass_ = c != u']';
            } else if (multiline_ && c == u'^') {
                out_ += u"(?:^|(?<=\r))";
            } else if (multiline_ && c == u'$') {
                out_ += u"(?:$|(?=\r))";
            } else {
                out_ += c;
                if (c == u'[') openClass();
            }
        }
        return std::move(out_);
    }

private:
    void openClass() {
        inClass_ = true;
        if (at_ < pattern_.size() && pattern_[at_] == u'^') out_ += pattern_[at_++];
    }

    void escape() {
        const char16_t next = pattern_[at_];
        if (next != u'0' && isDecimalDigit(next)) return digitEscape();
        ++at_;
        if (next == u'v') {
            out_ += u"\\x0B";
        } else if (next == u'c' && !(at_ < pattern_.size() && isAsciiLetter(pattern_[at_]))) {
            out_ += u"\\\\c";
        } else if (isAsciiLetter(next) && !isClassicLetterEscape(next)) {
            out_ += next;
        } else {
            out_ += u'\\';
            out_ += next;
        }
    }

    void digitEscape() {
        std::size_t end = at_;
        long number = 0;
        while (end < pattern_.size() && isDecimalDigit(pattern_[end])) {
            if (number <= groups_) number = number * 10 + (pattern_[end] - u'0');
            ++end;
        }
        if (!inClass_ && number <= groups_) {
            out_ += u"\\g{" + toUtf16Digits(number) + u"}";
            at_ = end;
        } else {
            octalOrDigit();
        }
    }

    // \1 to \377 in octal, read as far as it stays within one byte.
    void octalOrDigit() {
        const char16_t first = pattern_[at_++];
        if (!isOctalDigit(first)) {
            out_ += first;
            return;
        }
        unsigned value = first - u'0';
        const std::size_t maxDigits = first <= u'3' ? 3 : 2;
        for (std::size_t n = 1; n < maxDigits && at_ < pattern_.size() && isOctalDigit(pattern_[at_]); ++n) {
            value = value * 8 + (pattern_[at_++] - u'0');
        }
        static constexpr char16_t hex[] = u"0123456789ABCDEF";
        out_ += u"\\u00";
        out_ += hex[value >> 4];
        out_ += hex[value & 0xF];
    }

    static std::u16string toUtf16Digits(long number) {
        std::u16string digits;
        for (const char d : std::to_string(number)) digits += static_cast<char16_t>(d);
        return digits;
    }

    std::u16string_view pattern_;
    long groups_;
    bool multiline_;
    std::u16string out_;
    std::size_t at_ = 0;
    bool inClass_ = false;
};

// ---- RAII for the PCRE2 handles -------------------------------------------

struct CompileContextFree {
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
struct CodeFree {
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree {
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct MatchContextFree {
    void operator()(pcre2_match_context* context) const { pcre2_match_context_free(context); }
};
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;
using MatchContextPtr = std::unique_ptr<pcre2_match_context, MatchContextFree>;

CodePtr compilePattern(const std::u16string& pattern, bool ignoreCase, bool multiline) {
    std::uint32_t options = kCompileOptions;
    if (ignoreCase) options |= PCRE2_CASELESS;
    if (multiline) options |= PCRE2_MULTILINE;
    const std::u16string syntax = EngineSyntax(pattern, multiline).rewrite();
    CompileContextPtr context(pcre2_compile_context_create(nullptr));
    if (!context) return nullptr;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_LF);
    int error = 0;
    PCRE2_SIZE errorOffset = 0;
    return CodePtr(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(syntax.data()), syntax.size(), options, &error,
                                 &errorOffset, context.get()));
}

// Steps taken by one execute, over all its start positions and matches.
struct StepCount {
    std::uint64_t taken = 0;
};

int countStep(pcre2_callout_block*, void* data) {
    auto* steps = static_cast<StepCount*>(data);
    return ++steps->taken > kStepBudget ? PCRE2_ERROR_CALLOUT : 0;
}

MatchContextPtr limitedMatchContext(StepCount& steps) {
    MatchContextPtr context(pcre2_match_context_create(nullptr));
    if (!context) return nullptr;
    pcre2_set_match_limit(context.get(), kMatchLimit);
    pcre2_set_depth_limit(context.get(), kDepthLimit);
    pcre2_set_heap_limit(context.get(), kHeapLimitKiB);
    pcre2_set_callout(context.get(), countStep, &steps);
    return context;
}

// Where the next search begins after a match, as the classic engines do it:
// at the end of the match, or one character further when the match was
// empty (never retrying a longer match at the same place).
std::size_t nextSearchStart(std::u16string_view subject, std::size_t begin, std::size_t end) {
    if (end > begin) return end;
    std::size_t next = begin + 1;
    if (next < subject.size() && isHighSurrogate(subject[begin]) && isLowSurrogate(subject[next])) ++next;
    return next;
}

}  // namespace

struct RegexObject::Engine {
    Text pattern;  // as the engine holds it, after the quote marker was replaced
    bool global = true;
    CodePtr code;  // empty when the pattern was rejected
};

// Match offsets in UTF-16 code units of the subject; a group that took no
// part in its match has no span.
struct RegexObject::Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    bool set = false;
};

// One list of spans per match, group 0 being the whole match.
struct RegexObject::Matches {
    std::vector<std::vector<Span>> list;
    int groupCount = 0;
};

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject&) = default;
RegexObject& RegexObject::operator=(const RegexObject&) = default;

bool RegexObject::execute(const Text& pattern, const Text& subject, const RegexOptions& options) {
    engine_.reset();
    matches_.reset();
    auto engine = std::make_shared<Engine>();
    engine->global = options.global;
    const Text prepared =
        options.quoteMarker ? replaceText(pattern, kQuoteMarker, "\"", 1, std::nullopt, true) : pattern;
    const std::u16string widePattern = toUtf16(prepared);
    engine->pattern = toText(widePattern);
    engine->code = compilePattern(widePattern, !options.caseSensitive, options.multiline);
    subject_ = validUtf16(toUtf16(subject));
    const bool compiled = engine->code != nullptr;
    engine_ = std::move(engine);
    if (!compiled) return false;
    matches_ = findMatches();
    return matches_ != nullptr;
}

std::shared_ptr<const RegexObject::Matches> RegexObject::findMatches() const {
    MatchDataPtr data(pcre2_match_data_create_from_pattern(engine_->code.get(), nullptr));
    StepCount steps;
    MatchContextPtr context = limitedMatchContext(steps);
    if (!data || !context) return nullptr;
    auto matches = std::make_shared<Matches>();
    std::uint32_t captures = 0;
    pcre2_pattern_info(engine_->code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);
    matches->groupCount = static_cast<int>(captures);
    const auto* units = reinterpret_cast<PCRE2_SPTR>(subject_.data());
    std::size_t start = 0;
    while (start <= subject_.size()) {
        // Any failure, a reached limit included, means there is no further match.
        const int rc = pcre2_match(engine_->code.get(), units, subject_.size(), start, PCRE2_NO_UTF_CHECK, data.get(),
                                   context.get());
        if (rc <= 0) break;
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        std::vector<Span> spans(captures + 1);
        for (std::size_t g = 0; g < spans.size() && g < static_cast<std::size_t>(rc); ++g) {
            if (ovector[2 * g] == PCRE2_UNSET) continue;
            spans[g] = {ovector[2 * g], ovector[2 * g + 1], true};
        }
        matches->list.push_back(std::move(spans));
        if (!engine_->global) break;
        start = nextSearchStart(subject_, ovector[0], ovector[1]);
    }
    return matches;
}

Text RegexObject::pattern() const { return engine_ ? engine_->pattern : Text(); }

Text RegexObject::replace(const Text& replacement) const {
    if (!matches_) return {};
    const std::u16string wideReplacement = toUtf16(replacement);
    std::u16string out;
    std::size_t copied = 0;
    for (const auto& spans : matches_->list) {
        out.append(subject_, copied, spans[0].begin - copied);
        appendReplacement(out, wideReplacement, spans);
        copied = spans[0].end;
    }
    out.append(subject_, copied);
    return toText(out);
}

// The replacement's $ forms: $1..$99 (two digits when that group exists,
// else one digit followed by a plain digit), $& the match, $` the text before
// it, $' the text after it, $$ a dollar. Any other $ stays as written.
void RegexObject::appendReplacement(std::u16string& out, std::u16string_view replacement,
                                    const std::vector<Span>& spans) const {
    const auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    const std::size_t groups = spans.size() - 1;
    const auto appendGroup = [&](std::size_t g) {
        if (spans[g].set) out.append(subject_, spans[g].begin, spans[g].end - spans[g].begin);
    };
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char16_t c = replacement[i];
        const char16_t next = i + 1 < replacement.size() ? replacement[i + 1] : u'\0';
        if (c != u'$' || next == u'\0') {
            out += c;
        } else if (next == u'$') {
            out += u'$', ++i;
        } else if (next == u'&') {
            appendGroup(0), ++i;
        } else if (next == u'`') {
            out.append(subject_, 0, spans[0].begin), ++i;
        } else if (next == u'\'') {
            out.append(subject_, spans[0].end), ++i;
        } else if (isDigit(next)) {
            const std::size_t one = static_cast<std::size_t>(next - u'0');
            const bool twoDigits = i + 2 < replacement.size() && isDigit(replacement[i + 2]);
            const std::size_t two = twoDigits ? one * 10 + static_cast<std::size_t>(replacement[i + 2] - u'0') : 0;
            if (twoDigits && two >= 1 && two <= groups) {
                appendGroup(two), i += 2;
            } else if (one >= 1 && one <= groups) {
                appendGroup(one), ++i;
            } else {
                out += c;
            }
        } else {
            out += c;
        }
    }
}

int RegexObject::matchCount() const { return matches_ ? static_cast<int>(matches_->list.size()) : 0; }

int RegexObject::subMatchCount() const {
    return matches_ && !matches_->list.empty() ? matches_->groupCount : 0;
}

Text RegexObject::matchText(int index, int* position) const { return groupText(index, 0, position); }

Text RegexObject::subMatchText(int matchIndex, int subIndex, int* position) const {
    return groupText(matchIndex, subIndex < 1 ? -1 : subIndex, position);
}

// Group `group` of match `matchIndex` (both as the caller counts them, group
// 0 the whole match). An index outside the matches, or a group that took no
// part in its match, gives the empty text and, when asked, the position of a
// text that is not there.
Text RegexObject::groupText(int matchIndex, int group, int* position) const {
    if (!matches_ || matchIndex < 1 || static_cast<std::size_t>(matchIndex) > matches_->list.size() || group < 0 ||
        group > matches_->groupCount) {
        if (position) *position = -2;
        return {};
    }
    const Span& span = matches_->list[static_cast<std::size_t>(matchIndex) - 1][static_cast<std::size_t>(group)];
    if (position) *position = span.set ? bytePosition(span.begin) : -2;
    if (!span.set) return {};
    return toText(std::u16string_view(subject_).substr(span.begin, span.end - span.begin));
}

// The engine counts UTF-16 units, the caller bytes of the GBK subject, where
// a two-byte character is one unit. The byte offset is the GBK length of the
// subject up to the unit offset, exact whatever precedes the match.
int RegexObject::bytePosition(std::size_t unitOffset) const {
    return textLength(toText(std::u16string_view(subject_).substr(0, unitOffset)));
}

}  // namespace vokari
