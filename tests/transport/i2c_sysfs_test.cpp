// SPDX-License-Identifier: GPL-3.0-or-later
// The adapter's name and a client's driver as sysfs shows them, read below a
// folder that stands for /sys; which adapter names mark a PC's memory bus.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "support/run_tool.h"
#include "transport/i2c_sysfs.h"

using namespace eeprom24c01;
namespace {

TEST(I2cSysfs, NamesTheAdapterAndTheDriverBoundToAnAddress) {
    tool_dir sys;
    for (const char* folder : {"/class", "/class/i2c-dev", "/class/i2c-dev/i2c-3", "/bus", "/bus/i2c",
                               "/bus/i2c/devices", "/bus/i2c/devices/3-0052"})
        mkdir(sys.file(folder).c_str(), 0755);
    sys.put("class/i2c-dev/i2c-3/name", "SMBus PIIX4 adapter port 0 at 0b00\n");
    ASSERT_EQ(symlink("../../../../bus/i2c/drivers/ee1004", sys.file("bus/i2c/devices/3-0052/driver").c_str()), 0);
    EXPECT_EQ(i2c_adapter_name(sys.path(), 3), "SMBus PIIX4 adapter port 0 at 0b00");
    EXPECT_EQ(i2c_adapter_name(sys.path(), 4), "");
    EXPECT_EQ(i2c_bound_driver(sys.path(), 3, 0x52), "ee1004");
    EXPECT_EQ(i2c_bound_driver(sys.path(), 3, 0x50), "");
    EXPECT_EQ(i2c_adapter_number(-1, "/dev/i2c-12"), 12);
    EXPECT_EQ(i2c_adapter_number(-1, "/dev/i2c-x"), -1);
}

TEST(I2cSysfs, OnlyAPcChipsetsControllerIsAMemoryBus) {
    for (const char* name : {"SMBus I801 adapter at efa0", "SMBus PIIX4 adapter port 2 at 0b00",
                             "SMBus nForce2 adapter at 4d00", "SiS96x SMBus adapter at 0x0c00"})
        EXPECT_TRUE(i2c_is_memory_bus(name)) << name;
    for (const char* name : {"bcm2835 (i2c@7e804000)", "CP2112 SMBus Bridge on hidraw0", "MCP2221 usb-i2c bridge",
                             "i2c-tiny-usb at bus 001 device 005", ""})
        EXPECT_FALSE(i2c_is_memory_bus(name)) << name;
}

}  // namespace
