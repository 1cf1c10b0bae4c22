// The window layer's two pumps for the core, and the program's wait.
//
// processPendingEvents (text/pending_events.h) runs every waiting window
// event, user input included: those are the points where a running command
// lets the user click. The network-wait hook (net/network_wait.h) only
// repaints, so input is never taken in the middle of a transfer, and it
// tells the transfer to stop once the window is closing.
#pragma once

#include <functional>

namespace vokari {

// Installs both hooks for as long as it lives and puts the previous ones back
// when it ends. isClosing is asked at every wait; once it answers true, waits
// end early and transfers stop.
class EventPumps {
public:
    explicit EventPumps(std::function<bool()> isClosing);
    ~EventPumps();
    EventPumps(const EventPumps&) = delete;
    EventPumps& operator=(const EventPumps&) = delete;

private:
    std::function<void()> previousPending_;
    std::function<bool()> previousNetworkWait_;
    std::function<bool()> previousClosing_;
};

// Keeps running window events until the time has passed since the call
// began, or at once when the window is closing.
void waitProcessingEvents(int milliseconds);

}  // namespace vokari
