#include "app/commands/save_dialog.h"

#include <utility>

#include <QEvent>
#include <QFileDialog>
#include <QPointer>
#include <QWidget>

namespace vokari {

namespace {

SaveDialog::Answer& nextAnswerSlot() {
    static SaveDialog::Answer answer;
    return answer;
}

// A modal dialog would keep the program alive after its window closed; this
// cancels it as soon as the owner goes away.
class CancelWhenOwnerHides : public QObject {
public:
    explicit CancelWhenOwnerHides(QDialog* dialog) : dialog_(dialog) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Hide && dialog_) dialog_->reject();
        return QObject::eventFilter(watched, event);
    }

private:
    QPointer<QDialog> dialog_;
};

}  // namespace

bool SaveDialog::open(QWidget* owner) {
    if (auto answer = std::exchange(nextAnswerSlot(), {})) {
        std::optional<QString> confirmed = answer(*this);
        if (!confirmed) return false;
        fileName = *confirmed;
        return true;
    }
    return openFileDialog(owner);
}

bool SaveDialog::openFileDialog(QWidget* owner) {
    if (owner && !owner->isVisible()) return false;
    // On the heap under the owner: should the owner be destroyed while the
    // dialog runs, it takes the dialog with it and exec() answers rejected.
    QPointer<QFileDialog> dialog = new QFileDialog(owner);
    dialog->setAcceptMode(type == Type::save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog->setFileMode(type == Type::save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setNameFilter(filter);
    dialog->setDirectory(initialFolder);
    dialog->selectFile(initialFolder + fileName);
    CancelWhenOwnerHides cancel(dialog);
    if (owner) owner->installEventFilter(&cancel);
    const bool confirmed = dialog->exec() == QDialog::Accepted;
    if (owner) owner->removeEventFilter(&cancel);
    if (!dialog) return false;
    const QStringList chosen = dialog->selectedFiles();
    delete dialog;
    if (!confirmed || chosen.isEmpty()) return false;
    fileName = chosen.first();
    return true;
}

void SaveDialog::setNextAnswer(Answer answer) { nextAnswerSlot() = std::move(answer); }

}  // namespace vokari
