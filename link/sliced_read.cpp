#include "link/sliced_read.h"

#include <algorithm>

#include "platform/wait_hook.h"

namespace ks {

bool ReadInSlices(const CommTimeouts& timeouts, uint8_t* buffer, uint32_t count, uint32_t* got, Clock& clock,
                  uint32_t sliceMs, const ReadSome& readSome) {
    *got = 0;
    if (count == 0) return true;
    const bool totalLimit = timeouts.readTotalMultiplier != 0 || timeouts.readTotalConstant != 0;
    // An interval of "forever" without a total limit means: what is there now.
    if (!totalLimit && timeouts.readInterval == 0xFFFFFFFFu) return readSome(buffer, count, 0, got);

    // Elapsed times in 32-bit ticks, so that a tick count wrapping round
    // ends nothing early.
    const uint32_t start = clock.TickCount();
    const uint64_t total = uint64_t{count} * timeouts.readTotalMultiplier + timeouts.readTotalConstant;
    uint32_t lastByte = start;
    for (;;) {
        const uint32_t now = clock.TickCount();
        uint64_t wait = sliceMs;
        if (totalLimit) {
            const uint32_t spent = now - start;
            wait = std::min<uint64_t>(wait, spent >= total ? 0 : total - spent);
        }
        if (*got > 0 && timeouts.readInterval != 0) {
            const uint32_t quiet = now - lastByte;
            wait = std::min<uint64_t>(wait, quiet >= timeouts.readInterval ? 0 : timeouts.readInterval - quiet);
        }
        if (wait == 0) return true;
        RunWaitHook();
        uint32_t n = 0;
        if (!readSome(buffer + *got, count - *got, static_cast<uint32_t>(wait), &n)) return false;
        if (n > 0) {
            *got += n;
            lastByte = clock.TickCount();
            if (*got >= count) return true;
        }
    }
}

}  // namespace ks
