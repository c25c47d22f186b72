// Start-up, banner, start-up load and the main menu loop.
#pragma once

// The whole interactive run, on the port back end already chosen. Returns
// the exit status, which is 0 on every path.
int run_console();
