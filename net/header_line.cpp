#include "net/fetch.h"

namespace vokari {

// Only the first colon splits, so a value such as an address or a time of
// day stays whole.
Text headerName(const Text& line) {
    const int colon = findText(line, ":");
    return colon == -1 ? Text() : trimSpaces(textLeft(line, colon - 1));
}

Text headerValue(const Text& line) {
    const int colon = findText(line, ":");
    return colon == -1 ? Text() : trimSpaces(textRight(line, textLength(line) - colon));
}

}  // namespace vokari
