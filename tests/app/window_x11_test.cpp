// Closing the window through the window manager while a download stalls, on
// a real X display (Xvfb). The close request reaches the program as an X
// client message, not as a call: this is the path a user's click on the
// title bar's close button takes.
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include "sim/catalogue.h"
#include "sim/sim_process.h"

// Last: Xlib's macros (Status, Bool, None...) would break the headers above.
#include <X11/Xlib.h>

namespace vokari {
namespace {

// What a window manager sends when the user closes a window.
bool sendCloseRequest(const QByteArray& display, unsigned long window) {
    Display* x = XOpenDisplay(display.constData());
    if (!x) return false;
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
    XCloseDisplay(x);
    return sent != 0;
}

class XServer {
public:
    XServer() {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty()) return;
        process_.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                                QStringLiteral("0"), QStringLiteral("640x600x24"),
                                                QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (process_.waitForReadyRead(10'000)) display_ = ":" + process_.readLine().trimmed();
    }
    ~XServer() {
        process_.terminate();
        process_.waitForFinished(5'000);
    }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    const QByteArray& display() const { return display_; }  // empty: no server

private:
    QProcess process_;
    QByteArray display_;
};

TEST(WindowOnX11, CloseRequestDuringAStalledPictureDownloadEndsTheProgram) {
    XServer x;
    if (x.display().isEmpty()) GTEST_SKIP() << "no Xvfb to run a real X display";
    sim::SimProcess simulator({"--stall-ms", "3600000"});
    ASSERT_TRUE(simulator.started());

    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), QString::fromLatin1(x.display()));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    tool.setProcessEnvironment(environment);
    tool.start(QStringLiteral(VOKARI_WINDOW_DRIVER),
               {QString::fromStdString(simulator.host()),
                QString::fromStdString(sim::faultMemberNumber(sim::FaultMode::Stall, sim::FaultTarget::Picture))});
    ASSERT_TRUE(tool.waitForReadyRead(20'000)) << tool.readAllStandardError().toStdString();
    const unsigned long window = tool.readLine().trimmed().toULong();
    ASSERT_NE(window, 0u);

    QTest::qWait(1'000);  // the query is now waiting for a picture that never comes
    ASSERT_EQ(tool.state(), QProcess::Running);
    ASSERT_TRUE(sendCloseRequest(x.display(), window));
    // The stall lasts an hour; the program must end because it was closed.
    ASSERT_TRUE(tool.waitForFinished(5'000)) << "the program was still running after the close request";
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
}

}  // namespace
}  // namespace vokari
