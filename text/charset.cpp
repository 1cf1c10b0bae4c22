#include "text/charset.h"

#include <array>
#include <string_view>

#include "text/icu_converter.h"

namespace vokari {

namespace {

// One encoding of the Encoding Standard: its name, the ICU converter that
// decodes it (empty where we decode by hand) and its labels, space-separated.
struct Encoding {
    std::string_view name;
    const char* icuName;
    std::string_view labels;
};

// clang-format off
constexpr std::array kEncodings = {
    Encoding{"UTF-8", "UTF-8", "unicode-1-1-utf-8 unicode11utf8 unicode20utf8 utf-8 utf8 x-unicode20utf8"},
    Encoding{"IBM866", "IBM866", "866 cp866 csibm866 ibm866"},
    Encoding{"ISO-8859-2", "ISO-8859-2", "csisolatin2 iso-8859-2 iso-ir-101 iso8859-2 iso88592 iso_8859-2 iso_8859-2:1987 l2 latin2"},
    Encoding{"ISO-8859-3", "ISO-8859-3", "csisolatin3 iso-8859-3 iso-ir-109 iso8859-3 iso88593 iso_8859-3 iso_8859-3:1988 l3 latin3"},
    Encoding{"ISO-8859-4", "ISO-8859-4", "csisolatin4 iso-8859-4 iso-ir-110 iso8859-4 iso88594 iso_8859-4 iso_8859-4:1988 l4 latin4"},
    Encoding{"ISO-8859-5", "ISO-8859-5", "csisolatincyrillic cyrillic iso-8859-5 iso-ir-144 iso8859-5 iso88595 iso_8859-5 iso_8859-5:1988"},
    Encoding{"ISO-8859-6", "ISO-8859-6", "arabic asmo-708 csiso88596e csiso88596i csisolatinarabic ecma-114 iso-8859-6 iso-8859-6-e "
                                         "iso-8859-6-i iso-ir-127 iso8859-6 iso88596 iso_8859-6 iso_8859-6:1987"},
    Encoding{"ISO-8859-7", "ISO-8859-7", "csisolatingreek ecma-118 elot_928 greek greek8 iso-8859-7 iso-ir-126 iso8859-7 iso88597 "
                                         "iso_8859-7 iso_8859-7:1987 sun_eu_greek"},
    Encoding{"ISO-8859-8", "ISO-8859-8", "csiso88598e csisolatinhebrew hebrew iso-8859-8 iso-8859-8-e iso-ir-138 iso8859-8 iso88598 "
                                         "iso_8859-8 iso_8859-8:1988 visual"},
    Encoding{"ISO-8859-8-I", "ISO-8859-8", "csiso88598i iso-8859-8-i logical"},
    Encoding{"ISO-8859-10", "ISO-8859-10", "csisolatin6 iso-8859-10 iso-ir-157 iso8859-10 iso885910 l6 latin6"},
    Encoding{"ISO-8859-13", "ISO-8859-13", "iso-8859-13 iso8859-13 iso885913"},
    Encoding{"ISO-8859-14", "ISO-8859-14", "iso-8859-14 iso8859-14 iso885914"},
    Encoding{"ISO-8859-15", "ISO-8859-15", "csisolatin9 iso-8859-15 iso8859-15 iso885915 iso_8859-15 l9"},
    Encoding{"ISO-8859-16", "", "iso-8859-16"},
    Encoding{"KOI8-R", "KOI8-R", "cskoi8r koi koi8 koi8-r koi8_r"},
    Encoding{"KOI8-U", "KOI8-U", "koi8-ru koi8-u"},
    Encoding{"macintosh", "macintosh", "csmacintosh mac macintosh x-mac-roman"},
    Encoding{"windows-874", "windows-874", "dos-874 iso-8859-11 iso8859-11 iso885911 tis-620 windows-874"},
    Encoding{"windows-1250", "windows-1250", "cp1250 windows-1250 x-cp1250"},
    Encoding{"windows-1251", "windows-1251", "cp1251 windows-1251 x-cp1251"},
    Encoding{"windows-1252", "windows-1252", "ansi_x3.4-1968 ascii cp1252 cp819 csisolatin1 ibm819 iso-8859-1 iso-ir-100 iso8859-1 "
                                             "iso88591 iso_8859-1 iso_8859-1:1987 l1 latin1 us-ascii windows-1252 x-cp1252"},
    Encoding{"windows-1253", "windows-1253", "cp1253 windows-1253 x-cp1253"},
    Encoding{"windows-1254", "windows-1254", "cp1254 csisolatin5 iso-8859-9 iso-ir-148 iso8859-9 iso88599 iso_8859-9 "
                                             "iso_8859-9:1989 l5 latin5 windows-1254 x-cp1254"},
    Encoding{"windows-1255", "windows-1255", "cp1255 windows-1255 x-cp1255"},
    Encoding{"windows-1256", "windows-1256", "cp1256 windows-1256 x-cp1256"},
    Encoding{"windows-1257", "windows-1257", "cp1257 windows-1257 x-cp1257"},
    Encoding{"windows-1258", "windows-1258", "cp1258 windows-1258 x-cp1258"},
    Encoding{"x-mac-cyrillic", "x-mac-cyrillic", "x-mac-cyrillic x-mac-ukrainian"},
    // GBK pages are decoded as code page 936 itself, so their text comes
    // through unchanged rather than through the wider gb18030 mapping.
    Encoding{"GBK", "windows-936", "chinese csgb2312 csiso58gb231280 gb2312 gb_2312 gb_2312-80 gbk iso-ir-58 x-gbk"},
    Encoding{"gb18030", "gb18030", "gb18030"},
    Encoding{"Big5", "Big5-HKSCS", "big5 big5-hkscs cn-big5 csbig5 x-x-big5"},
    Encoding{"EUC-JP", "EUC-JP", "cseucpkdfmtjapanese euc-jp x-euc-jp"},
    Encoding{"ISO-2022-JP", "ISO-2022-JP", "csiso2022jp iso-2022-jp"},
    Encoding{"Shift_JIS", "windows-31j", "csshiftjis ms932 ms_kanji shift-jis shift_jis sjis windows-31j x-sjis"},
    Encoding{"EUC-KR", "windows-949", "cseuckr csksc56011987 euc-kr iso-ir-149 korean ks_c_5601-1987 ks_c_5601-1989 ksc5601 "
                                       "ksc_5601 windows-949"},
    // Labels of charsets that are never decoded: the standard maps them to
    // an encoding that turns the whole page into one replacement character.
    Encoding{"replacement", "", "csiso2022kr hz-gb-2312 iso-2022-cn iso-2022-cn-ext iso-2022-kr replacement"},
    Encoding{"UTF-16BE", "UTF-16BE", "unicodefffe utf-16be"},
    Encoding{"UTF-16LE", "UTF-16LE", "csunicode iso-10646-ucs-2 ucs-2 unicode unicodefeff utf-16 utf-16le"},
    Encoding{"x-user-defined", "", "x-user-defined"},
};
// clang-format on

// ICU carries no ISO-8859-16; its upper half, 0xA0 to 0xFF (the lower half is Latin-1).
constexpr std::array<char16_t, 96> kIso8859_16High = {
    0x00A0, 0x0104, 0x0105, 0x0141, 0x20AC, 0x201E, 0x0160, 0x00A7, 0x0161, 0x00A9, 0x0218, 0x00AB, 0x0179, 0x00AD, 0x017A, 0x017B,
    0x00B0, 0x00B1, 0x010C, 0x0142, 0x017D, 0x201D, 0x00B6, 0x00B7, 0x017E, 0x010D, 0x0219, 0x00BB, 0x0152, 0x0153, 0x0178, 0x017C,
    0x00C0, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0106, 0x00C6, 0x00C7, 0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,
    0x0110, 0x0143, 0x00D2, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x015A, 0x0170, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x0118, 0x021A, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x0107, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,
    0x0111, 0x0144, 0x00F2, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x015B, 0x0171, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x0119, 0x021B, 0x00FF,
};

bool isAsciiWhitespace(char c) { return c == '\t' || c == '\n' || c == '\f' || c == '\r' || c == ' '; }

std::string asciiLower(std::string_view s) {
    std::string lower(s);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool listsLabel(std::string_view labels, std::string_view label) {
    while (!labels.empty()) {
        const std::size_t space = labels.find(' ');
        if (labels.substr(0, space) == label) return true;
        if (space == std::string_view::npos) break;
        labels.remove_prefix(space + 1);
    }
    return false;
}

const Encoding* findEncoding(const Text& label) {
    std::string_view trimmed = label.view();
    while (!trimmed.empty() && isAsciiWhitespace(trimmed.front())) trimmed.remove_prefix(1);
    while (!trimmed.empty() && isAsciiWhitespace(trimmed.back())) trimmed.remove_suffix(1);
    if (trimmed.empty()) return nullptr;
    const std::string wanted = asciiLower(trimmed);
    for (const Encoding& encoding : kEncodings) {
        if (listsLabel(encoding.labels, wanted)) return &encoding;
    }
    return nullptr;
}

const Encoding& encodingNamed(std::string_view name) {
    for (const Encoding& encoding : kEncodings) {
        if (encoding.name == name) return encoding;
    }
    return kEncodings.front();
}

// A byte order mark decides the encoding whatever the page declares, and is
// not part of the text. Gives the encoding and how many bytes the mark takes.
std::pair<const Encoding*, std::size_t> sniffByteOrderMark(std::string_view body) {
    if (body.starts_with("\xEF\xBB\xBF")) return {&encodingNamed("UTF-8"), 3};
    if (body.starts_with("\xFE\xFF")) return {&encodingNamed("UTF-16BE"), 2};
    if (body.starts_with("\xFF\xFE")) return {&encodingNamed("UTF-16LE"), 2};
    return {nullptr, 0};
}

// The two encodings ICU lacks: each byte is one character.
std::u16string decodeByTable(const Encoding& encoding, std::string_view body) {
    const bool userDefined = encoding.name == "x-user-defined";
    std::u16string units(body.size(), u'\0');
    for (std::size_t i = 0; i < body.size(); ++i) {
        const auto b = static_cast<unsigned char>(body[i]);
        if (b < 0x80) {
            units[i] = b;
        } else if (userDefined) {
            units[i] = static_cast<char16_t>(0xF780 + b - 0x80);
        } else {
            units[i] = b < 0xA0 ? b : kIso8859_16High[b - 0xA0];
        }
    }
    return units;
}

std::optional<std::u16string> decodeToUtf16(const Encoding& encoding, std::string_view body) {
    if (*encoding.icuName == '\0') return decodeByTable(encoding, body);
    std::optional<IcuConverter> converter = IcuConverter::open(encoding.icuName);
    if (!converter) return std::nullopt;
    return converter->toUtf16(body);
}

}  // namespace

std::optional<std::string> resolveCharsetLabel(const Text& label) {
    const Encoding* encoding = findEncoding(label);
    if (encoding == nullptr || encoding->name == "replacement") return std::nullopt;
    return std::string(encoding->name);
}

std::optional<Text> decodeToGbk(const Bytes& body, const Text& label) {
    const Encoding* declared = findEncoding(label);
    if (declared == nullptr || declared->name == "replacement") return std::nullopt;
    auto [sniffed, markLength] = sniffByteOrderMark(body);
    const Encoding& encoding = sniffed ? *sniffed : *declared;
    const std::optional<std::u16string> units = decodeToUtf16(encoding, std::string_view(body).substr(markLength));
    std::optional<IcuConverter> gbk = IcuConverter::gbk();
    if (!units || !gbk) return std::nullopt;
    return Text(gbk->fromUtf16(*units));
}

}  // namespace vokari
