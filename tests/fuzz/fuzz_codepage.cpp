// Escape decoding and the UTF-16 conversions over hostile bytes.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "text/codepage.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text text(in.piece());
    const Bytes wide(in.piece());

    (void)decodePercentU(text);
    (void)unescapeUnicode(text);
    (void)hexToNumber(text);
    const Bytes utf16 = ansiToWide(text, in.flag());
    if (utf16.size() % 2 != 0) std::abort();
    // Every byte sequence that came from GBK goes back to text without
    // growing beyond two bytes a unit.
    if (static_cast<std::size_t>(textLength(wideToAnsi(utf16))) > utf16.size()) std::abort();
    (void)wideToAnsi(wide);
    (void)codeValueToText(hexToNumber(Text(in.piece())));
    return 0;
}
