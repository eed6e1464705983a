#include "platform/com_ports.h"

namespace ks {

std::vector<ComPort> SystemComPorts() { return {}; }

}  // namespace ks
