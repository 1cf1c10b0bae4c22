// The window layer's second hook into the network code. While any fetcher
// waits on the network it calls the hook at least every 50 ms, so the window
// can repaint. The hook answers false when the program is closing; the
// transfer then stops at once and the fetcher returns as after a failure.
#pragma once

#include <functional>

namespace vokari {

// Returns the hook it replaces; an empty function restores the default,
// which does nothing and answers true.
std::function<bool()> setNetworkWaitHook(std::function<bool()> hook);

// Runs the hook; false means "stop the transfer now".
bool networkWaitContinue();

}  // namespace vokari
