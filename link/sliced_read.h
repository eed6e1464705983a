#pragma once
// A read under the time-out rule of CommTimeouts, made of short reads so
// that the thread's wait hook (the console's window) runs between them. The
// Win32 driver reads this way while a window waits on the line; one
// ReadFile would hold the window for a whole time-out.
#include <cstdint>
#include <functional>

#include "link/serial_driver.h"
#include "platform/clock.h"

namespace ks {

// Reads up to count bytes into buffer, waiting at most waitMs for the first
// of them (0: only what is there already); *got is how many came. False
// when the read itself failed.
using ReadSome = std::function<bool(uint8_t* buffer, uint32_t count, uint32_t waitMs, uint32_t* got)>;

// Reads count bytes as one read under `timeouts` would: done when all are
// in, when readInterval passes after a byte with nothing more, or after
// count * readTotalMultiplier + readTotalConstant. No single wait is longer
// than sliceMs, and the wait hook runs before each. Time is the clock's.
bool ReadInSlices(const CommTimeouts& timeouts, uint8_t* buffer, uint32_t count, uint32_t* got, Clock& clock,
                  uint32_t sliceMs, const ReadSome& readSome);

}  // namespace ks
