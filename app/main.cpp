// vokari-tool: one window, run until the user closes it.
#include <QApplication>

#include "app/main_window.h"
#include "app/player_box.h"

int main(int argc, char** argv) {
    vokari::chooseMediaBackend();
    QApplication app(argc, argv);
    // The identity that links the window to its desktop entry and icon. No
    // display name is set: Qt would append it to every caption, and the
    // commands own the caption text exactly.
    QApplication::setApplicationName(QStringLiteral("vokari-tool"));
    QApplication::setOrganizationName(QStringLiteral("Vokari"));
    QApplication::setOrganizationDomain(QStringLiteral("vokari.org"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.vokari.Tool"));

    // The hosts are fixed when the program is built; nothing is read at run time.
    const vokari::ServiceHosts hosts{VOKARI_WEB_HOST, VOKARI_MEDIA_HOST, VOKARI_PLAYER_HOST};
    vokari::MainWindow window(hosts);
    QApplication::setWindowIcon(window.windowIcon());
    window.show();
    return QApplication::exec();
}
