#pragma once
// Cuts a received byte stream into request frames for the slave. A request
// whose length follows from its header (functions 1..6, 15, 16) is taken as
// soon as it is complete and its CRC holds; anything else waits for the
// silence after it (the owner calls Flush when the line has been quiet for
// t3.5), which also throws away a damaged or misaligned tail.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace ks::sim {

class RequestFramer {
public:
    void Feed(const uint8_t* data, size_t n);
    // The next complete, CRC-checked frame by length; false when none yet.
    bool Next(std::vector<uint8_t>* frame);
    // The line went silent: whatever is buffered is one frame (if it is not
    // longer than a frame may be); false when nothing is buffered.
    bool Flush(std::vector<uint8_t>* frame);
    bool Pending() const { return !m_buf.empty(); }

private:
    std::vector<uint8_t> m_buf;
    bool m_overflow = false;  // more than a frame arrived without a pause
};

}  // namespace ks::sim
