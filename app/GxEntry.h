// The program's entry: sets the file cache up, mounts "system.chs", starts the window services
// (headless when the harness asks for it), runs the application object through start-up, the
// main loop and shutdown, and cleans the file layer up.
#pragma once

// The process exit status: 0 after a normal run, also one that SIGTERM or SIGINT ended (during
// start-up too), 1 when start-up failed (the reason has been shown in a message box, or on
// stderr without a display), 2 for a malformed harness setting.
int GxEntryMain();
