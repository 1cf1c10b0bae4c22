#include "app/commands/safe_file_name.h"

#include <QList>

#include "app/qt_text.h"

namespace vokari {

namespace {

const QString kExtension = QStringLiteral(".mp3");
// The longest name most Linux file systems take, in bytes.
constexpr qsizetype kMaxNameBytes = 255;

bool refusedInNames(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) return true;  // C0, DEL and C1 controls
    // '/' and '\\' would reach another folder; the rest are refused by the
    // file systems a saved song may be copied to.
    return c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
           c == '|';
}

QString replaceRefused(const QString& name) {
    QString safe;
    for (char32_t c : name.toUcs4()) {
        if (refusedInNames(c)) c = U'_';
        safe += QString::fromUcs4(&c, 1);
    }
    return safe;
}

QString dropLeadingDots(QString name) {
    qsizetype dots = 0;
    while (dots < name.size() && name[dots] == u'.') ++dots;
    return name.mid(dots);
}

// Cuts whole code points off the end until the UTF-8 form fits.
QString cutToUtf8Bytes(const QString& name, qsizetype maxBytes) {
    QString cut;
    qsizetype bytes = 0;
    for (char32_t c : name.toUcs4()) {
        const qsizetype length = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
        if (bytes + length > maxBytes) break;
        bytes += length;
        cut += QString::fromUcs4(&c, 1);
    }
    return cut;
}

QString fallbackName() {
    return toQString(Text("\xCE\xB4\xC3\xFC\xC3\xFB"));  // 未命名
}

}  // namespace

QString safeSongFileName(const QString& songName) {
    QString stem = cutToUtf8Bytes(dropLeadingDots(replaceRefused(songName)), kMaxNameBytes - kExtension.size());
    if (stem.isEmpty()) stem = fallbackName();
    return stem + kExtension;
}

}  // namespace vokari
