#include "branding.h"

#include "branding_platform.h"

namespace {

const unsigned idle_wait_ms = 5000;
const int search_passes = 50;
const unsigned search_pause_ms = 100;
const int branding_passes = 30;
const unsigned branding_pause_ms = 100;

const wide_char* wanted_identity = nullptr;
window_handle found_window = nullptr;
// An identity is at most 62 units, so anything that does not fit here cannot match.
wide_char window_model_id[identity_capacity];

void search_app_window() {
  for (int pass = 0; pass < search_passes && found_window == nullptr; ++pass) {
    enumerate_top_level_windows();
    if (found_window == nullptr) pause_milliseconds(search_pause_ms);
  }
}

void brand_found_window(const wide_char* relaunch_icon) {
  icon_handle big_icon = load_app_icon(icon_big);
  icon_handle small_icon = load_app_icon(icon_small);
  for (int pass = 0; pass < branding_passes && window_exists(found_window); ++pass) {
    if (big_icon != nullptr) send_window_icon(found_window, icon_big, big_icon);
    if (small_icon != nullptr) send_window_icon(found_window, icon_small, small_icon);
    set_window_app_properties(found_window, wanted_identity, relaunch_icon);
    pause_milliseconds(branding_pause_ms);
  }
  notify_associations_changed();
}

}  // namespace

bool match_app_window(window_handle window) {
  if (!is_visible_window(window) || has_owner_window(window)) return true;
  if (!read_window_model_id(window, window_model_id, identity_capacity)) return true;
  if (!wide_equals(window_model_id, wanted_identity)) return true;
  found_window = window;
  return false;
}

void brand_app_window(process_handle process, const wide_char* identity, const wide_char* relaunch_icon) {
  wanted_identity = identity;
  found_window = nullptr;
  wait_for_process_idle(process, idle_wait_ms);
  search_app_window();
  if (found_window != nullptr) brand_found_window(relaunch_icon);
  close_process(process);
}
