// Branding of the browser's app window: once the shell has started the browser, find its window
// by the app-window identity and give it the launcher's icons and taskbar properties. Best
// effort throughout; nothing here can fail the launch.
#pragma once

#include "wide_string.h"

typedef void* process_handle;
typedef void* window_handle;
typedef void* icon_handle;

enum icon_size { icon_big, icon_small };

// Waits for the window, brands it for a few seconds, then closes the process handle.
void brand_app_window(process_handle process, const wide_char* identity, const wide_char* relaunch_icon);

// The window matcher, called for each top-level window during an enumeration. Returns false to
// stop the enumeration once the app window is found.
bool match_app_window(window_handle window);
