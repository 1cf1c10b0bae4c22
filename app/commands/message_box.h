// The one message the program shows: the outcome of a save. The box has the
// caption "信息：" and one OK button, and keeps every window of the program
// from input until it is closed.
#pragma once

#include <functional>

#include <QString>

#include "text/text.h"

namespace vokari {

class MessageBox {
public:
    // Shows text (GBK) and returns once the user has closed the box.
    static void show(const Text& text);

    // Tests record the message here instead of showing a box nobody can
    // close. Returns the recorder it replaces; an empty one shows boxes again.
    using Recorder = std::function<void(const QString& caption, const QString& text)>;
    static Recorder setRecorder(Recorder recorder);
};

}  // namespace vokari
