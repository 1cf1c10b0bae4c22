// The save-file dialog of the save command, with the four settings the
// command gives it. Tests answer it through a one-shot seam, so no modal
// dialog waits for a click that never comes.
#pragma once

#include <functional>
#include <optional>

#include <QString>

class QWidget;

namespace vokari {

class SaveDialog {
public:
    enum class Type { open, save };

    Type type = Type::open;
    QString fileName;       // proposed before open(); the confirmed full path after
    QString filter;         // a bare pattern such as "*.mp3"
    QString initialFolder;  // ends in '/'

    // Shows the dialog over owner and answers whether the user confirmed a
    // file. It asks before replacing an existing file. When owner is hidden
    // (the window closes) the dialog closes as cancelled.
    bool open(QWidget* owner);

    // The next open() calls answer instead of showing a dialog: it gets the
    // dialog as set up and returns the confirmed path, or nothing to cancel.
    // Used once, then open() shows real dialogs again.
    using Answer = std::function<std::optional<QString>(const SaveDialog&)>;
    static void setNextAnswer(Answer answer);

private:
    bool openFileDialog(QWidget* owner);
};

}  // namespace vokari
