#include "app/picture_box.h"

#include <QImage>
#include <QPixmap>

namespace vokari {

PictureBox::PictureBox(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignCenter);
}

void PictureBox::showPictureBytes(const Bytes& encoded) {
    // The member's picture comes from the network: QImage gives a null image
    // for anything it cannot decode, and its reader's allocation limit keeps
    // a picture that claims enormous dimensions from exhausting memory.
    QImage image;
    if (!encoded.empty()) image.loadFromData(QByteArrayView(encoded.data(), static_cast<qsizetype>(encoded.size())));
    if (image.isNull()) {
        clear();
        return;
    }
    if (image.width() > width() || image.height() > height())
        image = image.scaled(size(), Qt::KeepAspectRatio, Qt::SmoothTransformation);
    setPixmap(QPixmap::fromImage(image));
}

bool PictureBox::hasPicture() const {
    return !pixmap().isNull();
}

}  // namespace vokari
