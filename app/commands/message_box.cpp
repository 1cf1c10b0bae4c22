#include "app/commands/message_box.h"

#include <utility>

#include <QMessageBox>

#include "app/qt_text.h"

namespace vokari {

namespace {
MessageBox::Recorder& recorderSlot() {
    static MessageBox::Recorder recorder;
    return recorder;
}
}  // namespace

void MessageBox::show(const Text& text) {
    const QString caption = toQString(Text("\xD0\xC5\xCF\xA2\xA3\xBA"));  // 信息：
    if (auto& recorder = recorderSlot()) {
        recorder(caption, toQString(text));
        return;
    }
    // No owner window: application-modal blocks input to all of ours.
    QMessageBox box(QMessageBox::Information, caption, toQString(text), QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

MessageBox::Recorder MessageBox::setRecorder(Recorder recorder) {
    return std::exchange(recorderSlot(), std::move(recorder));
}

}  // namespace vokari
