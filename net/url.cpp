#include "net/url.h"

namespace vokari {

namespace {

// The usual form: the host is whatever stands between the scheme and the
// next "/", so a query written straight after the host stays part of it.
Text hostBySlash(Text t, bool rootDomain) {
    if (t.empty() || t.view().back() != '/') t += "/";
    if (textLeft(t, 8) == Text("https://")) {
        t = textBetween(t, "https://", "/");
    } else {
        if (findText(t, "http://") == -1) t = "http://" + t;
        t = textBetween(t, "http://", "/");
    }
    if (rootDomain) {
        TextList labels = splitText(t, ".");
        if (labels.size() > 1) t = labels[labels.size() - 2] + "." + labels.back();
    }
    return t;
}

// The dot-count form: keeps the last levels + 1 labels (rootDomain) or
// levels + 2, or the whole host when it has fewer.
Text hostByLevels(Text t, bool rootDomain, int levels) {
    t = replaceText(t, "http://", {}, 1, std::nullopt, true);
    t = replaceText(t, "https://", {}, 1, std::nullopt, true);
    if (int slash = findText(t, "/"); slash != -1) t = textLeft(t, slash - 1);
    const int length = textLength(t);
    // Once no dot is left before p, the search stays at -1.
    auto dotBefore = [&t](int p) { return p == -1 ? -1 : findTextReverse(t, ".", p); };
    int p = length;
    for (int i = 0; i < levels; ++i) p = dotBefore(p);
    const int d = dotBefore(p);
    if (rootDomain) return textRight(t, length - d);
    if (d != -1) {
        if (int e = dotBefore(d); e != -1) t = textRight(t, length - e);
    }
    return t;
}

}  // namespace

Text urlHost(const Text& address, const UrlHostOptions& options) {
    const Text lowered = toLowerCase(address);
    Text t = options.levels ? hostByLevels(lowered, options.rootDomain, *options.levels)
                            : hostBySlash(lowered, options.rootDomain);
    if (!options.keepPort) {
        if (int colon = findText(t, ":"); colon != -1) t = textLeft(t, colon - 1);
    }
    return t;
}

int urlPort(const Text& address) {
    const Text host = urlHost(address, {.keepPort = true});
    if (int colon = findTextReverse(host, ":"); colon != -1) return textToInteger(textMid(host, colon + 1, textLength(host)));
    return textLeft(toLowerCase(address), 5) == Text("https") ? 443 : 80;
}

Text urlPath(const Text& address) {
    const Text host = urlHost(address);
    const int a = findText(address, host, 1, true);
    const int b = findText(address, "/", a, true);
    if (b == -1) return "/";
    return textRight(address, textLength(address) - b + 1);
}

}  // namespace vokari
