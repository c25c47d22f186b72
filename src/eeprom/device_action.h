// One device action from claim to release, and what came of it. The
// operations print nothing: the front ends turn outcomes into their texts.
#pragma once

#include <functional>

#include "device/device_outcome.h"

// Claims the port, runs body with the interrupting signals noted rather than fatal,
// turns a port lost mid-action into an outcome, and gives the port back. A
// signal noted during the action makes the outcome interrupted.
device_outcome run_device_action(const std::function<device_outcome()>& body);
