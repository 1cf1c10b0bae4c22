#include "app/event_pumps.h"

#include <utility>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QTimer>

#include "net/network_wait.h"
#include "text/pending_events.h"

namespace vokari {

namespace {

std::function<bool()>& closingQuery() {
    static std::function<bool()> query;
    return query;
}

bool closingNow() {
    const auto& query = closingQuery();
    return query && query();
}

// Input that reaches widgets. While a transfer runs it is dropped, so nothing
// the user does starts work in the middle of it; the window's close request
// is not input here and still gets through. Releases pass, so a button
// pressed before the transfer began is not left held down.
bool isUserInput(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TabletPress:
        return true;
    default:
        return false;
    }
}

class InputBlocker : public QObject {
public:
    InputBlocker() { QCoreApplication::instance()->installEventFilter(this); }
    ~InputBlocker() override { QCoreApplication::instance()->removeEventFilter(this); }
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject*, QEvent* event) override { return isUserInput(event->type()); }
};

// Repaints during a transfer. Qt's own "exclude user input" mode would also
// hold back the window's close request until the transfer ends, which can be
// a long time; so every event runs and input is dropped instead.
bool repaintDuringTransfer() {
    if (!QCoreApplication::instance()) return true;
    {
        InputBlocker blocker;
        QCoreApplication::processEvents();
    }
    return !closingNow();
}

void runPendingEvents() {
    if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

}  // namespace

EventPumps::EventPumps(std::function<bool()> isClosing)
    : previousPending_(setPendingEventsHook(runPendingEvents)),
      previousNetworkWait_(setNetworkWaitHook(repaintDuringTransfer)),
      previousClosing_(std::exchange(closingQuery(), std::move(isClosing))) {}

EventPumps::~EventPumps() {
    closingQuery() = std::move(previousClosing_);
    setNetworkWaitHook(std::move(previousNetworkWait_));
    setPendingEventsHook(std::move(previousPending_));
}

void waitProcessingEvents(int milliseconds) {
    if (!QCoreApplication::instance() || closingNow()) return;
    if (milliseconds <= 0) {
        runPendingEvents();
        return;
    }
    QElapsedTimer clock;
    clock.start();
    // A local loop sleeps between events instead of spinning; the tick lets
    // it notice the deadline and a close request without either being an
    // event of its own.
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (closingNow() || clock.elapsed() >= milliseconds) loop.quit();
    });
    tick.start();
    loop.exec();
}

}  // namespace vokari
