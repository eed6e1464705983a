#pragma once
// What the thread does while it waits. The console's logic blocks its one
// thread on a serial read's time-out, on write retries and on the run's
// pauses; a program with a window installs a hook here that keeps the
// window painting and answering the window manager meanwhile. The hook must
// not call back into the code that is waiting (the window defers clicks,
// keys, timers and its own paint work until the wait is over).
#include <cstdint>
#include <functional>

namespace ks {

// Installed once by the program (empty: waits simply block).
void SetWaitHook(std::function<void()> hook);

// True while a wait runs the hook: whatever the hook delivers must not
// re-enter the waiting logic.
bool InWait();

// Waits ms milliseconds. With a hook, in slices of at most kWaitSliceMs,
// calling the hook between them; without, one plain sleep.
inline constexpr uint32_t kWaitSliceMs = 15;
void WaitMs(uint32_t ms);

// Called by blocking calls that wait in slices of their own (a serial read
// polling for its bytes): runs the hook once, unless already inside it.
void RunWaitHook();
bool HasWaitHook();

}  // namespace ks
