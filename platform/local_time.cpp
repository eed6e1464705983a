#include "platform/local_time.h"

#include <cstdio>

namespace ks {

std::string LocalTimeIso8601(std::time_t when) {
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &when);
#else
    localtime_r(&when, &local);
#endif
    char text[40];
    // %z gives +hhmm; ISO 8601 writes the offset as +hh:mm.
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    std::string s(text, n);
    if (s.size() >= 5 && (s[s.size() - 5] == '+' || s[s.size() - 5] == '-')) s.insert(s.size() - 2, ":");
    return s;
}

}  // namespace ks
