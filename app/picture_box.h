// A picture box: shows a picture given as encoded image bytes (PNG for the
// count icons, whatever the service sends for the member's picture).
#pragma once

#include <QLabel>

#include "text/text.h"

namespace vokari {

class PictureBox : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    // Bytes that decode to no picture (empty, truncated, not an image) clear
    // the box. A picture larger than the box is scaled down, keeping its
    // proportions, and centred.
    void showPictureBytes(const Bytes& encoded);
    bool hasPicture() const;
};

}  // namespace vokari
