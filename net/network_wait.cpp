#include "net/network_wait.h"

#include <utility>

namespace vokari {

namespace {
std::function<bool()>& hookSlot() {
    static std::function<bool()> hook;
    return hook;
}
}  // namespace

std::function<bool()> setNetworkWaitHook(std::function<bool()> hook) {
    return std::exchange(hookSlot(), std::move(hook));
}

bool networkWaitContinue() {
    auto& hook = hookSlot();
    return hook ? hook() : true;
}

}  // namespace vokari
