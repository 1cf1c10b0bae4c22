// Response header blocks into cookie lists, and the merge of two lists.
#include <cstdlib>

#include "tests/fuzz/fuzz_input.h"
#include "text/cookie_list.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text headers(in.piece());
    Text oldList(in.piece());
    Text received = cookiesFromHeaders(headers);
    const Text merged = mergeCookies(oldList, received);
    if (!(merged == oldList)) std::abort();  // the merged list is written back
    (void)removeDuplicates(merged, "; ");
    return 0;
}
