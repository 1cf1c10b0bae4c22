// The two places where the window takes data from the core: pictures given as
// encoded bytes (the member's comes from the network) and GBK texts.
#include <cstdint>
#include <string_view>

#include <QBuffer>
#include <QImage>
#include <QPixmap>

#include <gtest/gtest.h>

#include "app/picture_box.h"
#include "app/qt_text.h"

namespace vokari {
namespace {

Bytes pngBytes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::red);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return Bytes(data.constData(), static_cast<std::size_t>(data.size()));
}

TEST(PictureBox, ShowsAPictureWithinItsBox) {
    PictureBox box;
    box.resize(128, 120);
    box.showPictureBytes(pngBytes(64, 60));
    ASSERT_TRUE(box.hasPicture());
    EXPECT_EQ(box.pixmap().size(), QSize(64, 60));  // a small one as it is

    box.showPictureBytes(pngBytes(400, 200));
    ASSERT_TRUE(box.hasPicture());
    EXPECT_EQ(box.pixmap().size(), QSize(128, 64));  // a large one scaled down whole
}

// The PNG chunk checksum, so a doctored header still reads as well formed.
std::uint32_t crc32(std::string_view bytes) {
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

TEST(PictureBox, BytesThatAreNoPictureClearIt) {
    const Bytes png = pngBytes(20, 20);
    // A well-formed header claiming 100000 x 100000 pixels: the reader
    // refuses to allocate for it rather than trying.
    Bytes huge = png;
    huge.replace(16, 8, Bytes("\x00\x01\x86\xA0\x00\x01\x86\xA0", 8));
    const std::uint32_t crc = crc32(std::string_view(huge).substr(12, 17));  // "IHDR" and its 13 bytes
    for (int i = 0; i < 4; ++i) huge[29 + i] = static_cast<char>(crc >> (24 - 8 * i));
    const Bytes cases[] = {Bytes(), Bytes("not a picture"), png.substr(0, png.size() / 2), huge};
    for (const Bytes& bytes : cases) {
        PictureBox box;
        box.resize(128, 120);
        box.showPictureBytes(png);
        ASSERT_TRUE(box.hasPicture());
        box.showPictureBytes(bytes);
        EXPECT_FALSE(box.hasPicture()) << bytes.size() << " bytes";
    }
}

TEST(QtText, CrossesBetweenGbkAndQtStrings) {
    // 中文 is D6 D0 CE C4 in GBK.
    EXPECT_EQ(toQString(Text("ab\xD6\xD0\xCE\xC4")), QStringLiteral("ab中文"));
    EXPECT_EQ(toText(QStringLiteral("ab中文")), Text("ab\xD6\xD0\xCE\xC4"));
    EXPECT_EQ(toText(QStringLiteral(" 留言")), Text(" \xC1\xF4\xD1\xD4"));
    EXPECT_EQ(toQString(Text()), QString());
    EXPECT_EQ(toText(QString()), Text());
    // What GBK cannot hold comes back as '?', as the core's conversion gives it.
    EXPECT_EQ(toText(QString::fromUtf8("a\xF0\x9F\x8E\xB5")), Text("a?"));
}

}  // namespace
}  // namespace vokari
