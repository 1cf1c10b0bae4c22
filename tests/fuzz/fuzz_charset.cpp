// The page character-set step: body bytes under a declared label.
#include "tests/fuzz/fuzz_input.h"
#include "text/charset.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text label(in.piece());
    const Bytes body(in.piece());
    (void)resolveCharsetLabel(label);
    (void)decodeToGbk(body, label);
    // The common labels, whatever the label piece said.
    for (const char* common : {"utf-8", "GBK", "big5", "shift_jis", "utf-16le", "iso-8859-1"}) {
        (void)decodeToGbk(body, common);
    }
    return 0;
}
