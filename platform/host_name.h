#pragma once
// The name this computer goes by on its network, as the system reports it.
#include <string>

namespace ks {

// Empty when the system would not say.
std::string HostName();

}  // namespace ks
