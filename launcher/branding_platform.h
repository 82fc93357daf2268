// The few user32 and shell32 calls that branding makes, behind plain functions: the Windows
// build implements them over the real API, the unit tests over a simulated desktop.
#pragma once

#include "branding.h"

void wait_for_process_idle(process_handle process, unsigned milliseconds);

// Calls match_app_window for each top-level window until it returns false.
void enumerate_top_level_windows();

bool is_visible_window(window_handle window);
bool has_owner_window(window_handle window);

// Copies the window's AppUserModelID into buffer; false when the window has no property store,
// no such text value, or one that does not fit.
bool read_window_model_id(window_handle window, wide_char* buffer, unsigned capacity);

bool window_exists(window_handle window);

// The application icon at the system's size for it; null when it does not load.
icon_handle load_app_icon(icon_size size);

void send_window_icon(window_handle window, icon_size size, icon_handle icon);

// Sets the window's AppUserModelID and relaunch icon and commits them; failures are ignored.
void set_window_app_properties(window_handle window, const wide_char* identity, const wide_char* relaunch_icon);

void notify_associations_changed();
void pause_milliseconds(unsigned milliseconds);
void close_process(process_handle process);
