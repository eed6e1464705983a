// kestrane-link: link diagnostic for service work (see link_tool.h).
#include <iostream>
#include <string>
#include <vector>

#include "link/platform_serial_driver.h"
#include "programs/link/link_tool.h"
#include "programs/tool_language.h"

int main(int argc, char** argv) {
    std::vector<std::string> args;
    if (!ks::SpeakTheOperatorsLanguage("kestrane-link", argc, argv, args)) return 64;
    ks::PlatformSerialDriver driver;
    ks::CModbusMaster master(driver, ks::SystemClock::Instance());
    return ks::RunLinkTool(args, master, std::cout, std::cerr);
}
