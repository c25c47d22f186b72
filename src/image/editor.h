// The byte editor: menu option 2.
#pragma once

void change_buffer_data();
