// Test driver for window_x11_test: the real window and commands on a real X
// display, pointed at a simulator given on the command line. It queries the
// given member at once and prints the window's X id first, so the test can
// send the window manager's close request to it.
//   window_x11_driver HOST:PORT MEMBER
#include <cstdio>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "app/main_window.h"
#include "app/player_box.h"
#include "app/qt_text.h"

int main(int argc, char** argv) {
    vokari::chooseMediaBackend();
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() != 3) return 2;
    const vokari::Text host = vokari::toText(args[1]);
    vokari::MainWindow window(vokari::ServiceHosts{host, host, host});
    window.numberEdit()->setText(args[2]);
    window.show();
    QTimer::singleShot(0, [&] {
        std::printf("%llu\n", static_cast<unsigned long long>(window.winId()));
        std::fflush(stdout);
        window.queryButton()->click();
    });
    return QApplication::exec();
}
