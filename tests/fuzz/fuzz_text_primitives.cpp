// Every text primitive and marker routine over hostile bytes, with the
// invariants that must hold whatever the input.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "text/text.h"

using namespace vokari;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text text(in.piece());
    const Text left(in.piece());
    const Text right(in.piece());
    const int start = in.number(-3, 40);
    const int count = in.number(-1, 5);
    const bool flag = in.flag();
    const int length = textLength(text);

    const int found = findText(text, left, start, flag);
    check(found == -1 || (found >= 1 && found <= length));
    const int back = findTextReverse(text, left, start, flag);
    check(back == -1 || (back >= 1 && back <= length));
    check(textLength(textMid(text, start, count)) <= std::max(count, 0));
    check(textLength(textLeft(text, count)) <= length && textLength(textRight(text, count)) <= length);

    const Text replaced = replaceText(text, left, right, start, count < 0 ? std::nullopt : std::optional<int>(count), flag);
    if (left.empty()) check(replaced == text);
    const TextList pieces = splitText(text, left, count < 0 ? std::nullopt : std::optional<int>(count));
    check(!(text.empty() && !pieces.empty()));

    const Text trimmed = trimSpaces(text);
    check(trimmed.empty() || (textLength(trimmed) <= length && findText(text, trimmed) != -1));
    check(textLength(removeSpaces(text)) <= length);
    check(textLength(toLowerCase(text)) == length);
    (void)textToNumber(text);
    (void)textToInteger(text);
    (void)floorToInteger(textToNumber(text));

    (void)textBetween(text, left, right, start, flag);
    TextList list;
    const int fields = allTextBetween(text, left, right, list,
                                      {.caseSensitive = flag, .lengthLimit = count, .prefix = right, .start = start});
    check(fields == static_cast<int>(list.size()) && fields <= length);
    const int occurrences = countOccurrences(text, left, flag);
    check(occurrences >= 0 && occurrences <= length);
    (void)replaceMany(text, {{left, right}, {right, left}}, {.start = start, .caseSensitive = flag});
    return 0;
}
