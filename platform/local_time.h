#pragma once
// The local time of day, as records and file banners write it.
#include <ctime>
#include <string>

namespace ks {

// ISO 8601 local time with the offset from UTC: "2026-12-09T14:05:09+08:00".
std::string LocalTimeIso8601(std::time_t when);

}  // namespace ks
