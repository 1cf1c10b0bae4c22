// The window layer's event pump, seen from the toolkit-free core. The core
// calls processPendingEvents at the points where the window may repaint and
// take input; the window layer installs the real pump at start. Until then it
// does nothing, so the core runs and tests without a display.
#pragma once

#include <functional>

namespace vokari {

void processPendingEvents();

// Installs the pump (an empty function restores the no-op) and returns the
// one it replaces, so a test can install a counter and put things back.
std::function<void()> setPendingEventsHook(std::function<void()> hook);

}  // namespace vokari
