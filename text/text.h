// The text model every layer of the program shares, and the primitives built
// on it. A Text is GBK (code page 936) bytes; a byte of 0x80 or above begins a
// two-byte character. Lengths count bytes, positions are 1-based, and a search
// that finds nothing answers -1.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vokari {

// A counted byte buffer. Zero bytes are ordinary content here.
using Bytes = std::string;

// GBK text. Nothing after a zero byte belongs to it, so every way of making a
// Text cuts at the first zero byte; an absent text and an empty text are one.
class Text {
public:
    Text() = default;
    Text(const char* s) : bytes_(s ? s : "") {}
    Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
    Text(const std::string& bytes) : Text(std::string_view(bytes)) {}
    Text(std::string&& bytes) : bytes_(std::move(bytes)) { cutAtZero(); }

    const std::string& str() const { return bytes_; }
    std::string_view view() const { return bytes_; }
    const char* c_str() const { return bytes_.c_str(); }
    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    // The byte at a 0-based offset, as an unsigned value.
    unsigned char byteAt(std::size_t offset) const { return static_cast<unsigned char>(bytes_[offset]); }

    Text& operator+=(const Text& other) { bytes_ += other.bytes_; return *this; }
    friend Text operator+(Text a, const Text& b) { a += b; return a; }
    friend Text operator+(Text a, const char* b) { a += Text(b); return a; }
    friend Text operator+(const char* a, const Text& b) { return Text(a) + b; }
    friend bool operator==(const Text& a, const Text& b) = default;
    friend auto operator<=>(const Text& a, const Text& b) = default;

private:
    void cutAtZero() {
        if (auto z = bytes_.find('\0'); z != std::string::npos) bytes_.resize(z);
    }
    std::string bytes_;
};

// An ordered list of texts. The commands count its items from 1; in C++ it is
// indexed from 0 as usual.
using TextList = std::vector<Text>;

// ---- primitives ---------------------------------------------------------

int textLength(const Text& text);

// First occurrence of sub that begins at or after byte position start, found by
// walking whole characters from start. An empty sub is found at 1 whenever the
// part searched is not empty.
int findText(const Text& text, const Text& sub, int start = 1, bool ignoreCase = false);

// Last occurrence of sub lying wholly before position start (wholly inside the
// text when start is omitted).
int findTextReverse(const Text& text, const Text& sub, std::optional<int> start = std::nullopt,
                    bool ignoreCase = false);

// Byte cuts; they may split a two-byte character.
Text textLeft(const Text& text, int n);
Text textRight(const Text& text, int n);
Text textMid(const Text& text, int start, int n);

// Note the flag's sense: caseSensitive false folds ASCII letters.
Text replaceText(const Text& text, const Text& find, const Text& replacement = {}, int start = 1,
                 std::optional<int> count = std::nullopt, bool caseSensitive = false);

TextList splitText(const Text& text, const Text& separator = ",",
                   std::optional<int> maxCount = std::nullopt);

// Spaces are the ASCII space and the full-width space (A1 A1) only.
Text trimSpaces(const Text& text);
std::string_view trimSpacesView(std::string_view text);  // the same, as a view into text
Text removeSpaces(const Text& text);
Text toLowerCase(const Text& text);
Text spaceText(int n);
Bytes zeroBytes(int n);
Text charFromCode(int code);

Text numberToText(int number);
Text numberToText(long long number);
Text numberToText(float number);   // "%.6g"
Text numberToText(double number);  // "%.13g"

// The decimal number at the start of text (blanks skipped, full-width digits,
// signs and letters read as ASCII); 0 when there is none.
double textToNumber(const Text& text);
// Sign and digits only; saturates at the 32-bit range.
std::int32_t textToInteger(const Text& text);
// Largest whole number not above number; saturates at the 32-bit range, NaN is 0.
std::int32_t floorToInteger(double number);

Bytes textToBytes(const Text& text);
Text bytesToText(const Bytes& bytes);

// ---- marker extraction ----------------------------------------------------

// Text between the first left marker at or after start and the first right
// marker after it; "#引号" in either marker stands for a double quote.
Text textBetween(const Text& text, const Text& left, const Text& right, int start = 1,
                 bool ignoreCase = false);

struct AllTextBetweenOptions {
    bool caseSensitive = false;
    int lengthLimit = 0;  // 0: no limit; otherwise only fields shorter than this
    Text prefix;
    Text suffix;
    bool keepLeft = false;
    bool keepRight = false;
    int start = 0;        // 0 or 1: from the beginning
};

// Fills list with every non-empty, space-trimmed field between the markers and
// returns how many it holds. Runs pending window events as it goes.
int allTextBetween(const Text& text, const Text& left, const Text& right, TextList& list,
                   const AllTextBetweenOptions& options = {});

int countOccurrences(const Text& text, const Text& sub, bool caseSensitive = false);

struct Replacement {
    Text find;
    Text replace;
};
struct ReplaceManyOptions {
    std::optional<int> count;  // per pass; no limit when omitted
    int start = 1;             // 0 is taken as 1
    bool caseSensitive = false;
};

// Applies the replacements in order, each over the result of the one before.
Text replaceMany(const Text& text, const std::vector<Replacement>& replacements,
                 const ReplaceManyOptions& options = {});

}  // namespace vokari
