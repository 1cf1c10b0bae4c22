// One ICU converter, owned, with the substitutions this program wants: bytes
// that are not valid in the source charset decode to U+FFFD, and characters
// the target charset lacks encode to "?".
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

struct UConverter;
struct USet;

namespace vokari {

class IcuConverter {
public:
    // Nothing when ICU has no converter of that name.
    static std::optional<IcuConverter> open(const char* name);
    // GBK as Windows code page 936 maps it (0x80 is the euro sign).
    static std::optional<IcuConverter> gbk();

    // Whole input, flushed: a sequence cut short at the end also becomes U+FFFD.
    std::u16string toUtf16(std::string_view bytes);
    // Every unit converted, NUL units included.
    std::string fromUtf16(std::u16string_view units);

    // Windows' own conversion uses best-fit mappings (À to à and the like)
    // where the code page lacks a character; ICU keeps them as fallbacks.
    void useBestFit(bool on);

    // Adds to `set` every character this charset maps both ways.
    void addRoundTripCharacters(USet* set) const;

private:
    struct Closer {
        void operator()(UConverter* converter) const;
    };
    explicit IcuConverter(UConverter* converter) : converter_(converter) {}
    std::unique_ptr<UConverter, Closer> converter_;
};

}  // namespace vokari
