// Opening and closing of one device action on the port back end.
#pragma once

// Claims the port. When it cannot be had, prints why and returns false: the
// action must then leave the port alone.
bool device_action_begin();
void device_action_end();
