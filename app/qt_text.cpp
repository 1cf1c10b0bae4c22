#include "app/qt_text.h"

#include "text/codepage.h"

namespace vokari {

QString toQString(const Text& gbk) {
    const Bytes utf16 = ansiToWide(gbk, /*dropTerminator=*/true);
    // Two bytes a unit, little-endian; a stray odd byte cannot occur here but
    // is left out rather than read past.
    QString s(static_cast<qsizetype>(utf16.size() / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < s.size(); ++i) {
        const auto lo = static_cast<unsigned char>(utf16[static_cast<std::size_t>(2 * i)]);
        const auto hi = static_cast<unsigned char>(utf16[static_cast<std::size_t>(2 * i + 1)]);
        s[i] = QChar(static_cast<char16_t>(lo | (hi << 8)));
    }
    return s;
}

Text toText(const QString& s) {
    Bytes utf16;
    utf16.reserve(static_cast<std::size_t>(s.size()) * 2);
    for (const QChar c : s) {
        utf16.push_back(static_cast<char>(c.unicode() & 0xFF));
        utf16.push_back(static_cast<char>(c.unicode() >> 8));
    }
    return wideToAnsi(utf16);
}

}  // namespace vokari
