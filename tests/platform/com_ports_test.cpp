// The COM ports as Windows lists them: the registry's device -> COMn
// entries joined with the names the ports' drivers give them.
#include <gtest/gtest.h>

#include "platform/com_ports.h"

namespace ks {
namespace {

TEST(ComPortsTest, OnlyComNamesGiveANumber) {
    EXPECT_EQ(ComPortNumber("COM1"), 1);
    EXPECT_EQ(ComPortNumber("com12"), 12);
    EXPECT_EQ(ComPortNumber("CoM256"), 256);
    for (const char* name : {"COM", "COM0", "COM07", "COM-1", "COM1 ", "COMx", "LPT1", "\\Device\\Serial0", "",
                             "COM1000"}) {
        EXPECT_EQ(ComPortNumber(name), std::nullopt) << name;
    }
}

TEST(ComPortsTest, RegistryEntriesInNumberOrderWithTheirDriversNames) {
    const NamePairs serialComm = {{"\\Device\\VCP0", "COM12"},
                                  {"\\Device\\Serial0", "COM1"},
                                  {"\\Device\\Modem0", "LPT3"},  // not a COM port
                                  {"\\Device\\Serial1", "COM2"},
                                  {"\\Device\\Other", "COM1"}};  // a second COM1 is not a second port
    const NamePairs names = {{"com12", "USB Serial Port (COM12)"}, {"COM2", "通信端口 (COM2)"}, {"COM9", "absent"}};
    const std::vector<ComPort> ports = MergeComPorts(serialComm, names);
    ASSERT_EQ(ports.size(), 3u);
    EXPECT_EQ(ports[0].number, 1);
    EXPECT_EQ(ports[0].device, "\\Device\\Serial0");
    EXPECT_EQ(ports[0].friendlyName, "");
    EXPECT_EQ(ports[1].number, 2);
    EXPECT_EQ(ports[1].friendlyName, "通信端口 (COM2)");
    EXPECT_EQ(ports[2].number, 12);
    EXPECT_EQ(ports[2].device, "\\Device\\VCP0");
    EXPECT_EQ(ports[2].friendlyName, "USB Serial Port (COM12)");
    EXPECT_TRUE(MergeComPorts({}, names).empty());
}

}  // namespace
}  // namespace ks
