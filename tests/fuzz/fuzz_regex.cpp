// The regex object with hostile patterns and subjects: it must answer with
// values, never hang past its limits, and keep positions inside the subject.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "text/regex_object.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text pattern(in.piece());
    const Text subject(in.piece());
    const Text replacement(in.piece());
    RegexOptions options;
    options.caseSensitive = in.flag();
    options.multiline = in.flag();
    options.global = in.flag();
    options.quoteMarker = in.flag();

    RegexObject regex;
    // The pattern the page fetch uses, over the hostile subject.
    regex.execute("<meta.+?charset=[^\\w]?([-\\w]+)", subject);
    (void)regex.subMatchText(1, 1);
    if (!regex.execute(pattern, subject, options)) return 0;
    const int matches = regex.matchCount();
    if (matches < 0 || matches > textLength(subject) + 1) std::abort();
    RegexObject copy = regex;
    for (int i = 0; i <= matches + 1 && i < 50; ++i) {
        int position = 0;
        (void)copy.matchText(i, &position);
        if (position < -2 || position > textLength(subject)) std::abort();
        for (int sub = 0; sub <= regex.subMatchCount() + 1 && sub < 5; ++sub) {
            (void)regex.subMatchText(i, sub, &position);
        }
    }
    (void)regex.pattern();
    (void)regex.replace(replacement);
    return 0;
}
