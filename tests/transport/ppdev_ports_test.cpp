// SPDX-License-Identifier: GPL-3.0-or-later
// The advice for a ppdev device that does not exist: the ports that do.
#include <gtest/gtest.h>

#include "transport/ppdev_port.h"
#include "support/run_tool.h"

using namespace eeprom24c01;
TEST(PpdevPorts, ParportNodesInPortOrder) {
    tool_dir dir;
    for (const char* name : {"parport10", "lp0", "parport2", "parport", "parportx", "parport0"}) dir.put(name, "");
    EXPECT_EQ(parallel_ports_in(dir.path()), (std::vector<std::string>{"parport0", "parport2", "parport10"}));
    EXPECT_TRUE(parallel_ports_in(dir.file("missing")).empty());
}

// No nodes beside the device: the kernel's list tells whether the drivers
// are loaded. Nothing here opens a real port.
TEST(PpdevPorts, WithoutNodesTheKernelsPortsAreNamedUnlessItHasTheOneAskedFor) {
    tool_dir kernel;
    kernel.put("parport0", "");
    std::string head = "Cannot use the parallel port " + kernel.file("dev/");
    ppdev_port second(kernel.file("dev/parport1"), kernel.path()), first(kernel.file("dev/parport0"), kernel.path());
    EXPECT_EQ(second.claim(), head + "parport1: No such file or directory. Existing ports: " + kernel.file("dev/") +
                                  "parport0; name one of them with --port.\n");
    EXPECT_EQ(first.claim(), head + "parport0: No such file or directory. Load the drivers (sudo modprobe parport_pc "
                                    "ppdev), or name another port with --port.\n");
}
