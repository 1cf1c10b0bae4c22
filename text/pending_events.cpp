#include "text/pending_events.h"

#include <utility>

namespace vokari {

namespace {
std::function<void()>& hookSlot() {
    static std::function<void()> hook;
    return hook;
}
}  // namespace

void processPendingEvents() {
    if (auto& hook = hookSlot()) hook();
}

std::function<void()> setPendingEventsHook(std::function<void()> hook) {
    return std::exchange(hookSlot(), std::move(hook));
}

}  // namespace vokari
