#include "text/codepage.h"

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/uset.h>

#include <array>
#include <memory>

#include "text/icu_converter.h"
#include "text/utf16_bytes.h"

namespace vokari {

namespace {

struct SetCloser {
    void operator()(USet* set) const { uset_close(set); }
};

// The characters GBK holds as characters of its own (best-fit stand-ins left out).
const USet* gbkCharacters() {
    static const std::unique_ptr<USet, SetCloser> set = [] {
        std::unique_ptr<USet, SetCloser> built(uset_openEmpty());
        if (auto gbk = IcuConverter::gbk()) gbk->addRoundTripCharacters(built.get());
        uset_freeze(built.get());
        return built;
    }();
    return set.get();
}

bool isNonSpacingMark(char16_t unit) { return u_charType(unit) == U_NON_SPACING_MARK; }

// Windows composes a base letter and the non-spacing marks after it into one
// precomposed character before converting (e + U+0301 gives é, which GBK
// has), but only where the code page holds the result; otherwise the two are
// converted apart.
std::u16string composeForGbk(std::u16string_view units) {
    UErrorCode error = U_ZERO_ERROR;
    const UNormalizer2* nfc = unorm2_getNFCInstance(&error);
    if (U_FAILURE(error)) return std::u16string(units);
    std::u16string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char16_t base = units[i];
        while (i + 1 < units.size() && isNonSpacingMark(units[i + 1])) {
            const UChar32 composed = unorm2_composePair(nfc, base, units[i + 1]);
            if (composed < 0 || composed > 0xFFFF || !uset_contains(gbkCharacters(), composed)) break;
            base = static_cast<char16_t>(composed);
            ++i;
        }
        out.push_back(base);
    }
    return out;
}

// The value a byte of a hexadecimal field stands for. Bytes that are no
// digit are not rejected; they take whatever this rule gives them.
std::uint32_t digitValue(unsigned char b) {
    int value = b >= 0x61 ? b - 87 : b >= 0x41 ? b - 55 : b - 48;
    return static_cast<std::uint32_t>(value);  // a negative value wraps, as the word does
}

// Eight digits, most significant first, summed as a 32-bit word modulo 2^32.
std::uint32_t hexWord(std::string_view eight) {
    std::uint32_t word = 0;
    std::uint32_t weight = 1;
    for (std::size_t k = 0; k < 8; ++k) {
        word += digitValue(static_cast<unsigned char>(eight[7 - k])) * weight;
        weight *= 16;
    }
    return word;
}

}  // namespace

Bytes ansiToWide(const Text& text, bool dropTerminator) {
    if (text.empty()) return {};
    std::optional<IcuConverter> gbk = IcuConverter::gbk();
    if (!gbk) return {};
    std::u16string units = gbk->toUtf16(text.view());
    if (!dropTerminator) units.push_back(u'\0');
    return bytesFromUnits(units);
}

Text wideToAnsi(const Bytes& utf16) {
    std::u16string units = unitsFromBytes(utf16);
    if (auto nul = units.find(u'\0'); nul != std::u16string::npos) units.resize(nul);
    std::optional<IcuConverter> gbk = IcuConverter::gbk();
    if (!gbk) return {};
    gbk->useBestFit(true);
    return Text(gbk->fromUtf16(composeForGbk(units)));
}

std::int64_t hexToNumber(const Text& digits) {
    std::string field = std::string(16, '0') + digits.str();
    field.erase(0, field.size() - 16);
    const std::uint64_t high = hexWord(std::string_view(field).substr(0, 8));
    const std::uint64_t low = hexWord(std::string_view(field).substr(8, 8));
    return static_cast<std::int64_t>(high << 32 | low);
}

Text codeValueToText(std::int64_t value) {
    const auto bits = static_cast<std::uint64_t>(value);
    Bytes eight(8, '\0');
    for (std::size_t i = 0; i < 8; ++i) eight[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return wideToAnsi(eight);
}

}  // namespace vokari
