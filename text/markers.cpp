#include "text/pending_events.h"
#include "text/text.h"

namespace vokari {

namespace {

// "#引号" in GBK: a caller writes it in a marker where it wants a double quote.
const Text kQuoteMarker("#\xD2\xFD\xBA\xC5");

Text withQuotes(const Text& marker) { return replaceText(marker, kQuoteMarker, "\"", 1, std::nullopt, true); }

}  // namespace

Text textBetween(const Text& text, const Text& left, const Text& right, int start, bool ignoreCase) {
    const Text leftMarker = withQuotes(left);
    const Text rightMarker = withQuotes(right);
    int l = findText(text, leftMarker, start, ignoreCase);
    if (l != -1) l += textLength(leftMarker);
    int r = findText(text, rightMarker, l, ignoreCase);
    if (l == -1 || r == -1) return {};
    return textMid(text, l, r - l);
}

int allTextBetween(const Text& text, const Text& left, const Text& right, TextList& list,
                   const AllTextBetweenOptions& options) {
    list.clear();
    // An empty marker is found everywhere, so the walk below would never move
    // on; there is no field to cut with one.
    if (left.empty() || right.empty()) return 0;
    const bool ignoreCase = !options.caseSensitive;
    int pos = options.start;
    while (true) {
        const int l = findText(text, left, pos, ignoreCase);
        if (l == -1) break;
        const int afterLeft = l + textLength(left);
        const int r = findText(text, right, afterLeft, ignoreCase);
        if (r == -1) break;
        pos = afterLeft;
        const std::string_view piece =
            trimSpacesView(text.view().substr(static_cast<std::size_t>(pos) - 1, static_cast<std::size_t>(r - pos)));
        std::string bytes;
        bytes.reserve(options.prefix.size() + piece.size() + options.suffix.size());
        bytes.append(options.prefix.view()).append(piece).append(options.suffix.view());
        Text field(std::move(bytes));
        if (!field.empty()) {
            if (options.keepLeft) field = left + field;
            if (options.keepRight) field += right;
            if (options.lengthLimit != 0) {
                if (textLength(field) < options.lengthLimit) list.push_back(std::move(field));
                processPendingEvents();
            } else {
                list.push_back(std::move(field));
            }
            pos = r;
        }
        processPendingEvents();
        processPendingEvents();
        processPendingEvents();
    }
    return static_cast<int>(list.size());
}

int countOccurrences(const Text& text, const Text& sub, bool caseSensitive) {
    if (text.empty() || sub.empty()) return 0;
    int count = 0;
    for (int p = findText(text, sub, 1, !caseSensitive); p != -1;
         p = findText(text, sub, p + textLength(sub), !caseSensitive)) {
        ++count;
    }
    return count;
}

Text replaceMany(const Text& text, const std::vector<Replacement>& replacements, const ReplaceManyOptions& options) {
    const int start = options.start == 0 ? 1 : options.start;
    Text result = text;
    for (const Replacement& pair : replacements) {
        result = replaceText(result, pair.find, pair.replace, start, options.count, options.caseSensitive);
    }
    return result;
}

}  // namespace vokari
