// Address splitting over hostile addresses.
#include <cstdlib>

#include "net/url.h"
#include "tests/fuzz/fuzz_input.h"

using namespace vokari;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::FuzzInput in(data, size);
    const Text address(in.piece());
    UrlHostOptions options;
    options.rootDomain = in.flag();
    options.keepPort = in.flag();
    if (in.flag()) options.levels = in.number(-2, 8);
    (void)urlHost(address, options);
    (void)urlPort(address);
    const Text path = urlPath(address);
    if (path.empty()) std::abort();  // at least "/"
    return 0;
}
