#include "platform/wait_hook.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace ks {
namespace {

std::function<void()>& Hook() {
    static std::function<void()> hook;
    return hook;
}
int g_depth = 0;  // one thread: the console's

}  // namespace

void SetWaitHook(std::function<void()> hook) { Hook() = std::move(hook); }

bool InWait() { return g_depth > 0; }

bool HasWaitHook() { return static_cast<bool>(Hook()); }

void RunWaitHook() {
    if (!Hook() || g_depth > 0) return;
    ++g_depth;
    Hook()();
    --g_depth;
}

void WaitMs(uint32_t ms) {
    using Steady = std::chrono::steady_clock;
    if (!Hook() || g_depth > 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    const auto end = Steady::now() + std::chrono::milliseconds(ms);
    for (;;) {
        RunWaitHook();
        const auto now = Steady::now();
        if (now >= end) return;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(kWaitSliceMs)));
    }
}

}  // namespace ks
