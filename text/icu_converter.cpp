#include "text/icu_converter.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>

#include <array>

namespace vokari {

namespace {

// ICU's own substitute is U+001A for some single-byte charsets; a control
// character would survive into GBK, so every bad sequence becomes U+FFFD.
void writeReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                               UConverterCallbackReason reason, UErrorCode* error) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close and clone need nothing
    static const UChar replacement = 0xFFFD;
    *error = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &replacement, 1, 0, error);
}

constexpr std::size_t kChunk = 4096;

}  // namespace

void IcuConverter::Closer::operator()(UConverter* converter) const { ucnv_close(converter); }

std::optional<IcuConverter> IcuConverter::open(const char* name) {
    UErrorCode error = U_ZERO_ERROR;
    UConverter* raw = ucnv_open(name, &error);
    if (U_FAILURE(error) || raw == nullptr) return std::nullopt;
    IcuConverter converter(raw);
    error = U_ZERO_ERROR;
    ucnv_setToUCallBack(raw, writeReplacementCharacter, nullptr, nullptr, nullptr, &error);
    error = U_ZERO_ERROR;
    ucnv_setSubstChars(raw, "?", 1, &error);
    return converter;
}

std::optional<IcuConverter> IcuConverter::gbk() { return open("windows-936"); }

void IcuConverter::useBestFit(bool on) { ucnv_setFallback(converter_.get(), on ? 1 : 0); }

void IcuConverter::addRoundTripCharacters(USet* set) const {
    UErrorCode error = U_ZERO_ERROR;
    ucnv_getUnicodeSet(converter_.get(), set, UCNV_ROUNDTRIP_SET, &error);
}

std::u16string IcuConverter::toUtf16(std::string_view bytes) {
    ucnv_resetToUnicode(converter_.get());
    std::u16string out;
    std::array<UChar, kChunk> buffer;
    const char* source = bytes.data();
    const char* const end = source + bytes.size();
    UErrorCode error;
    do {
        UChar* target = buffer.data();
        error = U_ZERO_ERROR;
        ucnv_toUnicode(converter_.get(), &target, buffer.data() + buffer.size(), &source, end, nullptr, 1, &error);
        out.append(buffer.data(), target);
    } while (error == U_BUFFER_OVERFLOW_ERROR);
    return out;
}

std::string IcuConverter::fromUtf16(std::u16string_view units) {
    ucnv_resetFromUnicode(converter_.get());
    std::string out;
    std::array<char, kChunk> buffer;
    const UChar* source = units.data();
    const UChar* const end = source + units.size();
    UErrorCode error;
    do {
        char* target = buffer.data();
        error = U_ZERO_ERROR;
        ucnv_fromUnicode(converter_.get(), &target, buffer.data() + buffer.size(), &source, end, nullptr, 1, &error);
        out.append(buffer.data(), target);
    } while (error == U_BUFFER_OVERFLOW_ERROR);
    return out;
}

}  // namespace vokari
